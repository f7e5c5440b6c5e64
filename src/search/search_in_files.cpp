#include "search_in_files.h"

#include "command_kit/entry_list_model.h"
#include "command_kit/error_report.h"
#include "command_kit/procedure.h"
#include "extension_match.h"
#include "names_too_long.h"
#include "walk_engine/file_system.h"
#include "walk_host.h"

#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace ferrowax {

namespace {

bool isWalked(const Folder& folder)
{
    return folder.attributes() != skippedFolderAttributes || folder.isRootFolder();
}

// What every level of one walk shares.
struct Walk {
    const ExtensionArray& extensions;
    const int& includeSubfolders;
    WalkHost& host;
    const bool ignoreCase;
    ErrorReport report;
    const QString location;
    // The path of the folder a level enters, then its folder part (the path
    // and a separator): every level's folder part is a start of it, so a
    // deep walk makes its paths in one buffer and keeps none.
    QByteArray path;
};

// One level of the walk: what a call per folder would keep on the stack.
// The levels live on the heap, so a tree of any depth costs no stack; each
// keeps its folder's listing for its subfolders' names.
class WalkLevel {
public:
    explicit WalkLevel(Walk& walk)
        : walk_(walk)
        , p_(walk.report, walk.location)
    {
    }

    using Levels = std::vector<std::unique_ptr<WalkLevel>>;

    // Up to the head of the subfolder loop, for the folder whose path the
    // walk's buffer holds. False when the level ends there.
    bool walkFiles();
    // Enters the next subfolder that goes on below its files, as a level
    // pushed onto `levels`. False once this level ends.
    bool enterNextSubFolder(Levels& levels);

private:
    Walk& walk_;
    Procedure p_;
    std::shared_ptr<const FolderListing> listing_;
    const std::vector<FolderItem>* subFolders_ = nullptr;
    std::size_t nextSubFolder_ = 0;
    qsizetype folderPartLength_ = 0;
};

bool WalkLevel::walkFiles()
{
    WalkHost& host = walk_.host;
    p_.step(100, [&] {
        if (host.showsProgress())
            host.setProgressText(u"Processing "_s + displayText(walk_.path));
    });
    const FileSystem& fileSystem = host.fileSystem(); // 102
    Folder folder;
    bool stopped = false;
    p_.step(104, [&] {
        // The window answers, and Stop stops, however long the disk takes.
        while (!fileSystem.folderReady(walk_.path)) {
            host.yieldWhileReading();
            if ((stopped = host.stopRequested()))
                return;
        }
        folder = fileSystem.takeWalkedFolder(walk_.path);
        // The top as the system names it; below it, the buffer is left
        // alone, so that it grows in place.
        if (folder.path() != walk_.path)
            walk_.path = folder.path();
        if (!walk_.path.endsWith('/'))
            walk_.path.append('/');
    });
    if (stopped)
        return false;
    folderPartLength_ = walk_.path.size();

    if (p_.test(116, [&] { return isWalked(folder); })
        && p_.test(118, [&] {
               folder.requirePresent();
               // Its path and a separator, as the check makes it: no copy.
               return !namesTooLong(walk_.path, host);
           })) {
        for (const FolderItem& file : p_.loopItems(120, [&]() -> const auto& { return folder.files(); })) {
            p_.step(122, [&] { host.yield(); });
            if (p_.test(124, [&] { return host.stopRequested(); }))
                return false;
            const int last = p_.loopBound(126, 0, [&] { return static_cast<int>(walk_.extensions.size()) - 1; });
            for (int j = 0; j <= last; ++j) {
                if (!p_.test(128, [&] {
                        return extensionMatches(
                            walk_.extensions[static_cast<std::size_t>(j)], file.extension(), walk_.ignoreCase);
                    }))
                    continue; // 148
                // Every component of the file's path but the last, each
                // followed by a separator.
                QByteArrayView entry;
                p_.step(130, [&] {
                    file.requirePresent();
                    entry = QByteArrayView(walk_.path).first(folderPartLength_);
                });
                p_.step(144, [&] { host.appendResult(entry, file.name()); });
                p_.step(146, [&] { host.scrollResultsToEnd(); });
                break;
            }
        }
    }

    if (p_.test(150, [&] { return walk_.includeSubfolders != 0; }) && p_.test(152, [&] { return isWalked(folder); })) {
        subFolders_ = &p_.loopItems(154, [&]() -> const auto& {
            listing_ = folder.sharedListing();
            return listing_->subFolders();
        });
        return true;
    }
    return false;
}

bool WalkLevel::enterNextSubFolder(Levels& levels)
{
    while (subFolders_ != nullptr && nextSubFolder_ < subFolders_->size()) {
        const FolderItem& subFolder = (*subFolders_)[nextSubFolder_++];
        if (p_.test(156, [&] { return walk_.host.stopRequested(); }))
            break;
        bool entered = false;
        p_.step(158, [&] {
            const QByteArrayView name = subFolder.name();
            walk_.path.truncate(folderPartLength_);
            walk_.path.append(name);
            auto level = std::make_unique<WalkLevel>(walk_);
            // One that has ended already is done: on to the next subfolder.
            if (level->walkFiles()) {
                levels.push_back(std::move(level));
                entered = true;
            }
        });
        if (entered)
            return true;
    }
    // 160, 162: the folder and the service are released as this level ends.
    subFolders_ = nullptr;
    listing_.reset();
    return false;
}

} // namespace

void searchInFiles(const QByteArray& folderPath, const ExtensionArray& extensions, const int& includeSubfolders,
    WalkHost& host)
{
    // However the walk ends, nothing more is read ahead for it.
    struct ReadingAheadEnds {
        const FileSystem& fileSystem;
        ~ReadingAheadEnds() { fileSystem.stopReadingAhead(); }
    } readingAheadEnds{host.fileSystem()};
    Walk walk{extensions, includeSubfolders, host, host.extensionsIgnoreCase(), ErrorReport(host.dialogs()),
        u"in Drovatek2021/08/31.Search.searchInFiles "_s, folderPath};
    WalkLevel::Levels levels;
    levels.push_back(std::make_unique<WalkLevel>(walk));
    if (!levels.back()->walkFiles())
        return;
    while (!levels.empty()) {
        if (!levels.back()->enterNextSubFolder(levels))
            levels.pop_back();
    }
}

} // namespace ferrowax
