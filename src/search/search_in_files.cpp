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

// One level of the walk: what a call per folder would keep on the stack.
// The levels live on the heap, so a tree of any depth costs no stack.
class WalkLevel {
public:
    WalkLevel(QByteArray folderPath, const ExtensionArray& extensions, const int& includeSubfolders, WalkHost& host)
        : folderPath_(std::move(folderPath))
        , extensions_(extensions)
        , includeSubfolders_(includeSubfolders)
        , host_(host)
        , ignoreCase_(host.extensionsIgnoreCase())
        , report_(host.dialogs())
        , p_(report_, u"in Drovatek2021/08/31.Search.searchInFiles "_s)
    {
    }

    using Levels = std::vector<std::unique_ptr<WalkLevel>>;

    // Up to the head of the subfolder loop. False when the level ends there.
    bool walkFiles();
    // Enters the next subfolder that goes on below its files, as a level
    // pushed onto `levels`. False once this level ends.
    bool enterNextSubFolder(Levels& levels);

private:
    QByteArray folderPath_;
    const ExtensionArray& extensions_;
    const int& includeSubfolders_;
    WalkHost& host_;
    const bool ignoreCase_;
    ErrorReport report_;
    Procedure p_;
    Folder folder_;
    std::shared_ptr<const FolderListing> listing_;
    const std::vector<FolderItem>* subFolders_ = nullptr;
    std::size_t nextSubFolder_ = 0;
};

bool WalkLevel::walkFiles()
{
    p_.step(100, [&] {
        if (host_.showsProgress())
            host_.setProgressText(u"Processing "_s + displayText(folderPath_));
    });
    const FileSystem& fileSystem = host_.fileSystem(); // 102
    bool stopped = false;
    p_.step(104, [&] {
        // The window answers, and Stop stops, however long the disk takes.
        while (!fileSystem.folderReady(folderPath_)) {
            host_.yieldWhileReading();
            if ((stopped = host_.stopRequested()))
                return;
        }
        folder_ = fileSystem.takeWalkedFolder(folderPath_);
    });
    if (stopped)
        return false;

    if (p_.test(116, [&] { return isWalked(folder_); })
        && p_.test(118, [&] { return !namesTooLong(folder_.path(), host_); })) {
        for (const FolderItem& file : p_.loopItems(120, [&]() -> const auto& { return folder_.files(); })) {
            p_.step(122, [&] { host_.yield(); });
            if (p_.test(124, [&] { return host_.stopRequested(); }))
                return false;
            const int last = p_.loopBound(126, 0, [&] { return static_cast<int>(extensions_.size()) - 1; });
            for (int j = 0; j <= last; ++j) {
                if (!p_.test(128, [&] {
                        return extensionMatches(extensions_[static_cast<std::size_t>(j)], file.extension(), ignoreCase_);
                    }))
                    continue; // 148
                // Every component of the file's path but the last, each
                // followed by a separator.
                QByteArrayView entry;
                p_.step(130, [&] { entry = file.folderPart(); });
                p_.step(144, [&] { host_.appendResult(entry, file.name()); });
                p_.step(146, [&] { host_.scrollResultsToEnd(); });
                break;
            }
        }
    }

    if (p_.test(150, [&] { return includeSubfolders_ != 0; }) && p_.test(152, [&] { return isWalked(folder_); })) {
        subFolders_ = &p_.loopItems(154, [&]() -> const auto& {
            listing_ = folder_.sharedListing();
            return listing_->subFolders();
        });
        // A deep tree holds a level per folder: each keeps no more than its
        // subfolders need, as the folder's path makes up most of a level.
        folder_ = Folder();
        folderPath_.clear();
        return true;
    }
    return false;
}

bool WalkLevel::enterNextSubFolder(Levels& levels)
{
    while (subFolders_ != nullptr && nextSubFolder_ < subFolders_->size()) {
        const FolderItem& subFolder = (*subFolders_)[nextSubFolder_++];
        if (p_.test(156, [&] { return host_.stopRequested(); }))
            break;
        bool entered = false;
        p_.step(158, [&] {
            auto level = std::make_unique<WalkLevel>(subFolder.path(), extensions_, includeSubfolders_, host_);
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
    return false;
}

} // namespace

void searchInFiles(const QByteArray& folderPath, const ExtensionArray& extensions, const int& includeSubfolders,
    WalkHost& host)
{
    WalkLevel::Levels levels;
    levels.push_back(std::make_unique<WalkLevel>(folderPath, extensions, includeSubfolders, host));
    if (!levels.back()->walkFiles())
        return;
    while (!levels.empty()) {
        if (!levels.back()->enterNextSubFolder(levels))
            levels.pop_back();
    }
}

} // namespace ferrowax
