#pragma once

#include "file_system.h"

namespace ferrowax {

// The file system as Linux presents it, read with the directory calls
// directly: a readdir walk with d_type needs no stat per file.
class PosixFileSystem final : public FileSystem {
public:
    Folder getFolder(const QByteArray& path) const override;
    FolderListing listFolder(const QByteArray& folderPath) const override;
    std::vector<QByteArray> listFileNames(const QByteArray& folderPath) const override;
    QDateTime lastModified(const QByteArray& path) const override;
};

} // namespace ferrowax
