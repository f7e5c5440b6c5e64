#include "clipboard_export.h"

#include "command_kit/error_report.h"
#include "command_kit/list_content.h"
#include "command_kit/procedure.h"
#include "command_kit/services.h"
#include "command_kit/window_state.h"
#include "desktop_services/clipboard.h"
#include "desktop_services/dialogs.h"
#include "os/event_pump.h"

#include <algorithm>
#include <vector>

using namespace Qt::StringLiterals;

namespace ferrowax {

namespace {

constexpr int clipboardAttempts = 1000;

template <class Attempt>
void attemptRepeatedly(Attempt&& attempt)
{
    for (int attempts = 1; attempts <= clipboardAttempts; ++attempts) {
        try {
            attempt();
            return;
        } catch (const std::exception&) {
            // Another program holds the clipboard; try again at once.
        }
    }
}

void removeTrailingSpaces(QString& text)
{
    qsizetype end = text.size();
    while (end > 0 && text[end - 1] == u' ')
        --end;
    text.truncate(end);
}

} // namespace

void ClearClipboard(Clipboard& clipboard)
{
    attemptRepeatedly([&] { clipboard.clear(); });
}

void SetClipboardText(Clipboard& clipboard, const QString& text)
{
    attemptRepeatedly([&] { clipboard.setText(text); });
}

void CopyListToClipboard(const ListContent& list, EventPump& eventPump, Clipboard& clipboard)
{
    if (list.count() <= 0)
        return;

    std::vector<qsizetype> columnWidths;
    const int columns = list.columns();
    for (int c = 1; c <= columns; ++c) {
        qsizetype w = 0;
        for (int e = 1; e <= list.count(); ++e) {
            eventPump.yield();
            w = std::max(w, list.cell(e, c).size());
        }
        columnWidths.push_back(w);
    }

    QString s;
    const int entries = list.count();
    for (int e = 1; e <= entries; ++e) {
        eventPump.yield();
        if (!list.isChecked(e))
            continue;
        bool wroteCell = false;
        for (int c = 1; c <= list.columns(); ++c) {
            eventPump.yield();
            wroteCell = true;
            const QString t = list.cell(e, c);
            const qsizetype width = columnWidths.at(static_cast<std::size_t>(c - 1));
            s += t;
            // A cell that grew since its column was measured goes unpadded.
            if (width >= t.size())
                s += QString(width - t.size(), u' ');
            s += u'\t';
        }
        if (wroteCell)
            s.chop(1); // the TAB after the last cell
        removeTrailingSpaces(s);
        s += u"\r\n"_s;
    }

    ClearClipboard(clipboard);
    SetClipboardText(clipboard, s);
}

void PushButton5_Click(WindowState& window, Services& services)
{
    ErrorReport report(services.dialogs);
    Procedure p(report, u"in Drovatek2021/08/31.Form1.PushButton5_Click "_s);
    p.step(106, [&] { CopyListToClipboard(window.resultList(), services.eventPump, services.clipboard); });
    p.step(108, [&] {
        services.dialogs.messageBox(u"Results have been copied to the clipboard.\r\rClick a text area where you "
                                    u"normally type and press Ctrl+V to paste the clipboard."_s,
            BoxStyle::OkOnly);
    });
}

} // namespace ferrowax
