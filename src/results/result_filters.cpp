#include "result_filters.h"

#include "command_kit/error_report.h"
#include "command_kit/procedure.h"
#include "command_kit/services.h"
#include "command_kit/window_state.h"
#include "desktop_services/dialogs.h"
#include "os/ascii.h"

#include <vector>

using namespace Qt::StringLiterals;

namespace ferrowax {

namespace {

enum class Removes { Containing, NotContaining };

// Both sides lowered, then a plain search. Where both are ASCII the bytes
// are lowered in place: the same answer without decoding a million paths.
class LoweredSearch {
public:
    explicit LoweredSearch(const QString& text)
        : lowered_(text.toLower())
        , asciiLowered_(lowered_.toLatin1())
        , asciiText_(isAscii(asciiLowered_) && QString::fromLatin1(asciiLowered_) == lowered_)
    {
    }

    bool foundIn(QByteArray& entry) const
    {
        if (asciiText_ && isAscii(entry)) {
            for (char& c : entry)
                c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
            return QByteArrayView(entry).contains(asciiLowered_);
        }
        return displayText(entry).toLower().contains(lowered_);
    }

private:
    QString lowered_;
    QByteArray asciiLowered_;
    bool asciiText_;
};

// Every entry is tested before any is removed, so no number shifts before
// it is used.
void removeMarked(EntryListModel& list, const QString& text, Removes removes)
{
    const LoweredSearch search(text);
    std::vector<int> marks;
    QByteArray entry;
    const int n = list.count();
    for (int i = 1; i <= n; ++i) {
        list.copyEntry(i, entry);
        if (search.foundIn(entry) == (removes == Removes::Containing))
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
