#pragma once

#include "file_system.h"

#include <optional>

namespace ferrowax {

// Whether folder listings tell each entry's type. Some file systems never
// do, and then every entry is looked at on its own.
enum class EntryTypes { Reported, Unknown };

// The file system as Linux presents it, read with the directory calls
// directly: a readdir walk with d_type needs no stat per file.
class PosixFileSystem final : public FileSystem {
public:
    explicit PosixFileSystem(EntryTypes entryTypes = EntryTypes::Reported);

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
    EntryTypes entryTypes_;
    // The walk checks a folder's names and then lists the folder; reading a
    // large directory costs more than anything else in a walk, so the names
    // read for the check serve the listing that follows it.
    mutable std::optional<Entries> lastNamesRead_;
};

} // namespace ferrowax
