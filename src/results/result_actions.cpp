#include "result_actions.h"

#include "clipboard_export.h"
#include "command_kit/error_report.h"
#include "command_kit/procedure.h"
#include "command_kit/services.h"
#include "command_kit/window_state.h"
#include "desktop_services/desktop_launcher.h"
#include "desktop_services/dialogs.h"

using namespace Qt::StringLiterals;

namespace ferrowax {

namespace {

// More files than this open only after the user says so.
constexpr std::size_t openedWithoutAsking = 10;

// The paths are taken before anything can yield: a box or a watched launch
// lets other commands narrow the list, and rows read by number afterwards
// would be other files. The first that cannot be read ends the command.
bool takePaths(Procedure& p, int line, WindowState& window, const std::vector<int>& entries,
    std::vector<QByteArray>& paths)
{
    for (const int entry : entries) {
        if (!p.step(line, [&] { paths.push_back(window.resultList().entry(entry)); }))
            return false;
    }
    return true;
}

void openEntries(const QString& location, WindowState& window, Services& services, const std::vector<int>& entries)
{
    ErrorReport report(services.dialogs);
    Procedure p(report, location);
    std::vector<QByteArray> paths;
    if (!takePaths(p, 100, window, entries, paths))
        return;
    if (p.test(102, [&] { return paths.size() > openedWithoutAsking; })) {
        int answer = Answer::No;
        p.step(104, [&] {
            answer = services.dialogs.messageBox(u"Open %1 files?"_s.arg(paths.size()), BoxStyle::YesNo);
        });
        if (p.test(106, [&] { return answer != Answer::Yes; }))
            return;
    }
    // Many files, one failure: the first ends the command, so an opener
    // that fails gives one box, not one per file.
    p.step(108, [&] { services.desktop.openFiles(paths); });
}

std::vector<int> onlyAnEntry(int current)
{
    return current > 0 ? std::vector<int>{current} : std::vector<int>{};
}

} // namespace

void ListView2_DblClick(WindowState& window, Services& services, int current)
{
    openEntries(u"in Drovatek2021/08/31.Form1.ListView2_DblClick "_s, window, services, onlyAnEntry(current));
}

void ListView2_KeyDown(WindowState& window, Services& services, int current)
{
    openEntries(u"in Drovatek2021/08/31.Form1.ListView2_KeyDown "_s, window, services, onlyAnEntry(current));
}

void mnuOpen_Click(WindowState& window, Services& services, const std::vector<int>& selected)
{
    openEntries(u"in Drovatek2021/08/31.Form1.mnuOpen_Click "_s, window, services, selected);
}

void mnuOpenFolder_Click(WindowState& window, Services& services, int current)
{
    ErrorReport report(services.dialogs);
    Procedure p(report, u"in Drovatek2021/08/31.Form1.mnuOpenFolder_Click "_s);
    QByteArray path;
    if (current > 0 && p.step(100, [&] { path = window.resultList().entry(current); }))
        p.step(102, [&] { services.desktop.showInFolder(path); });
}

void mnuCopyPath_Click(WindowState& window, Services& services, const std::vector<int>& selected)
{
    ErrorReport report(services.dialogs);
    Procedure p(report, u"in Drovatek2021/08/31.Form1.mnuCopyPath_Click "_s);
    QString text;
    for (const int entry : selected) {
        if (!p.step(100, [&] { text += displayText(window.resultList().entry(entry)) + u"\r\n"_s; }))
            return;
    }
    // Nothing selected leaves the clipboard as it was.
    if (selected.empty())
        return;
    p.step(102, [&] { ClearClipboard(services.clipboard); });
    p.step(104, [&] { SetClipboardText(services.clipboard, text); });
}

} // namespace ferrowax
