#include "search_run.h"

#include "command_kit/error_report.h"
#include "command_kit/procedure.h"
#include "command_kit/services.h"
#include "command_kit/window_state.h"
#include "desktop_services/dialogs.h"
#include "os/event_pump.h"
#include "walk_engine/file_system.h"
#include "search_in_files.h"

using namespace Qt::StringLiterals;

namespace ferrowax {

namespace {
const QString stopCaption = u"Stop"_s;
}

SearchRun::SearchRun(WindowState& window, Services& services)
    : window_(window)
    , services_(services)
{
}

void SearchRun::PushButton1_Click()
{
    ErrorReport report(services_.dialogs);
    Procedure p(report, u"in Drovatek2021/08/31.Form1.PushButton1_Click "_s);
    EntryListModel& folders = window_.folderList();
    EntryListModel& extensionList = window_.extensionList();

    if (!p.test(100, [&] { return window_.startButtonCaption() != stopCaption; })) {
        p.step(170, [&] { window_.setStartButtonCaption(startCaption); });
        p.step(172, [&] { stopSearch = true; });
        return;
    }
    if (p.test(102, [&] { return folders.count() == 0; })) {
        p.step(164, [&] { window_.setMousePointer(Pointer::Default); });
        p.step(166, [&] { services_.dialogs.messageBox(u"No folders added."_s, BoxStyle::OkOnly); });
        p.step(168, [&] { stopSearch = true; });
        return;
    }
    if (p.test(104, [&] { return extensionList.count() == 0; })) {
        p.step(158, [&] { window_.setMousePointer(Pointer::Default); });
        p.step(160, [&] { services_.dialogs.messageBox(u"No extensions added."_s, BoxStyle::OkOnly); });
        p.step(162, [&] { stopSearch = true; });
        return;
    }
    p.step(106, [&] { startCaption = window_.startButtonCaption(); });
    p.step(108, [&] { window_.setStartButtonCaption(stopCaption); });
    p.step(110, [&] { stopSearch = false; });
    p.step(112, [&] { window_.setMousePointer(Pointer::Hourglass); });
    int includeSubfolders = 0;
    p.step(114, [&] { includeSubfolders = 1; });
    ExtensionArray extensions;
    p.step(116, [&] { extensions.assign(1, QByteArray()); });
    const int extensionCount = p.loopBound(118, 1, [&] { return extensionList.count(); });
    for (int i = 1; i <= extensionCount; ++i) {
        if (p.test(120, [&] { return i > 1; }))
            p.step(122, [&] { extensions.resize(static_cast<std::size_t>(i)); });
        p.step(124, [&] { extensions.at(static_cast<std::size_t>(i - 1)) = extensionList.entry(i); });
    }

    const int folderCount = p.loopBound(128, 1, [&] { return folders.count(); });
    for (int i = 1; i <= folderCount; ++i) {
        p.step(130, [&] { services_.eventPump.yield(); });
        if (p.test(132, [&] { return stopSearch; }))
            break;
        QByteArray path;
        // A folder removed meanwhile has no path: walking the previous one
        // again would list its files twice.
        if (!p.step(134, [&] { path = folders.entry(i); }))
            continue;
        p.step(136, [&] { window_.setProgressValue(static_cast<double>(i) / folders.count() * 100); });
        p.step(138, [&] { window_.setProgressText(u"Processing: "_s + displayText(path)); });
        p.step(140, [&] { services_.eventPump.yield(); });
        p.step(142, [&] {
            services_.fileSystem.readAheadFrom(path);
            searchInFiles(path, extensions, includeSubfolders, *this);
        });
    }

    p.step(146, [&] { window_.setStartButtonCaption(startCaption); });
    p.step(148, [&] { stopSearch = true; });
    p.step(150, [&] { window_.setMousePointer(Pointer::Default); });
    p.step(152, [&] { window_.setProgressValue(0); });
    p.step(154, [&] { window_.setProgressText(u"Progress Bar"_s); });
    p.step(156, [&] { services_.dialogs.messageBox(u"Done."_s, BoxStyle::OkOnly); });
}

const FileSystem& SearchRun::fileSystem()
{
    return services_.fileSystem;
}

Dialogs& SearchRun::dialogs()
{
    return services_.dialogs;
}

void SearchRun::yield()
{
    services_.eventPump.yield();
}

void SearchRun::yieldWhileReading()
{
    services_.eventPump.yieldUntilWoken();
}

bool SearchRun::stopRequested() const
{
    return stopSearch;
}

void SearchRun::setProgressText(const QString& text)
{
    window_.setProgressText(text);
}

void SearchRun::appendResult(QByteArrayView folderPart, QByteArrayView name)
{
    // Results start checked, so that the exports of checked entries take
    // everything found until the user unticks some.
    window_.resultList().append(folderPart, name, true);
}

void SearchRun::scrollResultsToEnd()
{
    window_.resultList().requestScrollToEnd();
}

} // namespace ferrowax
