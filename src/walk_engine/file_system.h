#pragma once

#include "folder_listing.h"

#include <QByteArray>
#include <QDateTime>

#include <memory>

namespace ferrowax {

// Attribute bits a folder reports, as the walk's skip rule reads them.
namespace Attribute {
inline constexpr int Hidden = 2;
inline constexpr int System = 4;
inline constexpr int Directory = 16;
} // namespace Attribute

class FileSystem;

// A folder opened by path. A default-constructed Folder is "no folder":
// every property fails.
class Folder {
public:
    Folder() = default;
    Folder(const FileSystem& fileSystem, QByteArray path, int attributes, bool isRootFolder);

    const QByteArray& path() const;
    int attributes() const;
    bool isRootFolder() const;
    // Listed once on first use.
    const std::vector<FolderItem>& files() const;
    // The listing itself, for one who keeps its items longer than this.
    std::shared_ptr<const FolderListing> sharedListing() const;
    // Fails for "no folder".
    void requirePresent() const;

private:
    const FolderListing& listing() const;

    const FileSystem* fileSystem_ = nullptr;
    QByteArray path_;
    int attributes_ = 0;
    bool isRootFolder_ = false;
    mutable std::shared_ptr<const FolderListing> listing_;
};

// The folders and files the program reads. Paths are the bytes the OS uses.
// Every failure is a Failure carrying the OS's own text.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // A walk is about to start at `root`: the folders below it may be read
    // ahead of the walk. Nothing a walk sees changes.
    virtual void readAheadFrom(const QByteArray& root) const { Q_UNUSED(root) }
    // The walk is over, stopped or not: nothing more is read for it, so a
    // folder that hung is not asked again for a walk nobody waits for.
    virtual void stopReadingAhead() const {}
    // False while getFolder(path) would wait on the disk: the folder is
    // being read on another thread, and the walk's event pump is woken once
    // it is. A walk asks before each folder, and never waits on the disk.
    virtual bool folderReady(const QByteArray& path) const
    {
        Q_UNUSED(path)
        return true;
    }
    // The folder a walk enters next, once it is ready: what was read ahead
    // is served to the walk alone.
    virtual Folder takeWalkedFolder(const QByteArray& path) const { return getFolder(path); }
    virtual Folder getFolder(const QByteArray& path) const = 0;
    // Everything the folder holds, each kind in listing order.
    virtual std::shared_ptr<const FolderListing> listFolder(const QByteArray& folderPath) const = 0;
    virtual QDateTime lastModified(const QByteArray& path) const = 0;
    // A regular file (or a link to one) that is not hidden: its name does
    // not begin with a full stop and its folder's ".hidden" list, which the
    // desktop's file managers honour, does not name it. A list that is no
    // regular file counts as none; one too large to read fails.
    virtual bool isNormalFile(const QByteArray& path) const = 0;
    // The whole of a small regular file; see readRegularFile.
    virtual QByteArray readFile(const QByteArray& path) const = 0;
};

// `folder` followed by one separator and `name`.
QByteArray joinPath(const QByteArray& folder, const QByteArray& name);

// The process's current folder, as the bytes the system names it by.
QByteArray currentFolderPath();

// True when the last-modification time of `path` can be read; never fails.
bool IsFilePresent(const FileSystem& fileSystem, const QByteArray& path);

} // namespace ferrowax
