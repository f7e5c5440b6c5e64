#include "result_filters.h"

#include "command_kit/error_report.h"
#include "command_kit/procedure.h"
#include "command_kit/services.h"
#include "command_kit/window_state.h"
#include "platform/dialogs.h"

#include <vector>

using namespace Qt::StringLiterals;

namespace ferrowax {

namespace {

enum class Removes { Containing, NotContaining };

// Every entry is tested before any is removed, so no number shifts before
// it is used.
void removeMarked(EntryListModel& list, const QString& text, Removes removes)
{
    const QString lowered = text.toLower();
    std::vector<int> marks;
    const int n = list.count();
    for (int i = 1; i <= n; ++i) {
        const bool found = displayText(list.entry(i)).toLower().contains(lowered);
        if (found == (removes == Removes::Containing))
            marks.push_back(i);
    }
    list.removeEntries(marks);
}

void filterCommand(WindowState& window, Services& services, const QString& location, const QString& prompt,
    void (*filter)(EntryListModel&, const QString&))
{
    ErrorReport report(services.dialogs);
    Procedure p(report, location);
    QString text;

    p.step(100, [&] { text = services.dialogs.inputBox(prompt); });
    if (p.test(102, [&] { return text.isEmpty(); }))
        return;
    p.step(104, [&] { window.setMousePointer(Pointer::Hourglass); });
    p.step(106, [&] { filter(window.resultList(), text); });
    p.step(108, [&] { window.setMousePointer(Pointer::Default); });
}

} // namespace

void RemoveContaining(EntryListModel& list, const QString& text)
{
    removeMarked(list, text, Removes::Containing);
}

void RemoveNotContaining(EntryListModel& list, const QString& text)
{
    removeMarked(list, text, Removes::NotContaining);
}

void PushButton17_Click(WindowState& window, Services& services)
{
    filterCommand(window, services, u"in Drovatek2021/08/31.Form1.PushButton17_Click "_s,
        u"Remove entries containing: "_s, RemoveContaining);
}

void PushButton4_Click(WindowState& window, Services& services)
{
    filterCommand(window, services, u"in Drovatek2021/08/31.Form1.PushButton4_Click "_s,
        u"Remove entries not containing: "_s, RemoveNotContaining);
}

void PushButton6_Click(WindowState& window, Services& services)
{
    ErrorReport report(services.dialogs);
    Procedure p(report, u"in Drovatek2021/08/31.Form1.PushButton6_Click "_s);
    p.step(100, [&] { window.resultList().clear(); });
}

} // namespace ferrowax
