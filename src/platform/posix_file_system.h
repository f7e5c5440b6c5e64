#pragma once

#include "file_system.h"

#include <optional>

namespace ferrowax {

// The file system as Linux presents it, read with the directory calls
// directly: a readdir walk with d_type needs no stat per file.
class PosixFileSystem final : public FileSystem {
public:
    Folder getFolder(const QByteArray& path) const override;
    FolderListing listFolder(const QByteArray& folderPath) const override;
    std::vector<QByteArray> listFileNames(const QByteArray& folderPath) const override;
    QDateTime lastModified(const QByteArray& path) const override;
    bool isNormalFile(const QByteArray& path) const override;
    QByteArray readFile(const QByteArray& path) const override;

    // A folder's entries by kind, in the order the system gave them.
    struct Entries {
        QByteArray folderPath;
        std::vector<QByteArray> files;
        std::vector<QByteArray> folders;
        std::vector<QByteArray> others;
    };

private:
    // The walk checks a folder's names and then lists the folder; reading a
    // large directory costs more than anything else in a walk, so the names
    // read for the check serve the listing that follows it.
    mutable std::optional<Entries> lastNamesRead_;
};

} // namespace ferrowax
