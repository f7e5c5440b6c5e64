#include "search_in_files.h"

#include "command_kit/entry_list_model.h"
#include "command_kit/error_report.h"
#include "command_kit/procedure.h"
#include "names_too_long.h"
#include "walk_engine/file_system.h"
#include "walk_host.h"

using namespace Qt::StringLiterals;

namespace ferrowax {

namespace {

bool isWalked(const Folder& folder)
{
    return folder.attributes() != skippedFolderAttributes || folder.isRootFolder();
}

} // namespace

void searchInFiles(const QByteArray& folderPath, const ExtensionArray& extensions, const int& includeSubfolders,
    WalkHost& host)
{
    ErrorReport report(host.dialogs());
    Procedure p(report, u"in Drovatek2021/08/31.Search.searchInFiles "_s);

    p.step(100, [&] { host.setProgressText(u"Processing "_s + displayText(folderPath)); });
    const FileSystem& fileSystem = host.fileSystem(); // 102
    Folder folder;
    bool stopped = false;
    p.step(104, [&] {
        // The window answers, and Stop stops, however long the disk takes.
        while (!fileSystem.folderReady(folderPath)) {
            host.yieldWhileReading();
            if ((stopped = host.stopRequested()))
                return;
        }
        folder = fileSystem.getFolder(folderPath);
    });
    if (stopped)
        return;

    if (p.test(116, [&] { return isWalked(folder); })
        && p.test(118, [&] { return !namesTooLong(folder.path(), host); })) {
        for (const FolderItem& file : p.loopItems(120, [&]() -> const auto& { return folder.files(); })) {
            p.step(122, [&] { host.yield(); });
            if (p.test(124, [&] { return host.stopRequested(); }))
                return;
            const int last = p.loopBound(126, 0, [&] { return static_cast<int>(extensions.size()) - 1; });
            for (int j = 0; j <= last; ++j) {
                if (!p.test(128, [&] { return extensions[static_cast<std::size_t>(j)] == file.extension(); }))
                    continue; // 148
                // Every component of the file's path but the last, each
                // followed by a separator.
                QByteArrayView entry;
                p.step(130, [&] { entry = file.folderPart(); });
                p.step(144, [&] { host.appendResult(entry, file.name()); });
                p.step(146, [&] { host.scrollResultsToEnd(); });
                break;
            }
        }
    }

    if (p.test(150, [&] { return includeSubfolders != 0; }) && p.test(152, [&] { return isWalked(folder); })) {
        for (const FolderItem& subFolder : p.loopItems(154, [&]() -> const auto& { return folder.subFolders(); })) {
            if (p.test(156, [&] { return host.stopRequested(); }))
                return;
            p.step(158, [&] { searchInFiles(subFolder.path(), extensions, includeSubfolders, host); });
        }
    }
    // 160, 162: the folder and the service are released as this level ends.
}

} // namespace ferrowax
