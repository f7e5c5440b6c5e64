#pragma once

#include "file_system.h"
#include "folder_read_ahead.h"
#include "folder_reader.h"

namespace ferrowax {

class EventPump;

// The file system as Linux presents it, read with the directory calls
// directly: one getdents64 per folder, with the entry types it reports,
// needs no stat per file. A walk's folders are read on threads of their own.
class PosixFileSystem final : public FileSystem {
public:
    // `walkPump` is woken when a folder a walk waits for is read; walks
    // leave out the subfolders `limits` name.
    explicit PosixFileSystem(EventPump& walkPump, WalkLimits limits = {});
    // A walk's folders read by `readWalkedFolder` instead, as a test reads
    // them to choose how long each takes.
    PosixFileSystem(EventPump& walkPump, ReadFolder readWalkedFolder, WalkLimits limits = {});

    void readAheadFrom(const QByteArray& root) const override;
    void stopReadingAhead() const override;
    bool folderReady(const QByteArray& path) const override;
    Folder takeWalkedFolder(const QByteArray& path) const override;
    Folder getFolder(const QByteArray& path) const override;
    std::shared_ptr<const FolderListing> listFolder(const QByteArray& folderPath) const override;
    QDateTime lastModified(const QByteArray& path) const override;
    bool isNormalFile(const QByteArray& path) const override;
    QByteArray readFile(const QByteArray& path) const override;

    // Folders a walk asked for that the read-ahead had not planned next.
    int foldersOutsideThePlan() const;

private:
    // The walk checks a folder's names and then lists its files; reading a
    // large folder costs more than anything else in a walk, so one reading
    // serves every listing of the folder the walk entered last.
    mutable QByteArray openedPath_;
    mutable std::shared_ptr<const FolderListing> openedListing_;
    mutable std::optional<Failure> openedListingFailure_;
    mutable FolderReadAhead readAhead_;
};

} // namespace ferrowax
