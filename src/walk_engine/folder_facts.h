#pragma once

#include <QByteArray>

#include <sys/stat.h>
#include <sys/types.h>

namespace ferrowax {

// What tells a folder from every other while it exists, wherever it is
// moved meanwhile.
struct FolderIdentity {
    dev_t device = 0; // of the file system it lies on
    ino_t inode = 0; // none: not known
    bool operator==(const FolderIdentity&) const = default;
};

// What the walk's skip rule needs to know about a folder before it lists it.
struct FolderFacts {
    QByteArray path; // absolute, without a trailing separator but at "/"; none below a walk's top
    int attributes = 0;
    bool isRootFolder = false;
    FolderIdentity identity;
};

// Facts about the folder at `path`. Fails, with the system's text, when the
// path names no folder. The top of a kernel file system (/proc, /sys, ...)
// reports a protected system folder; "/" and the tops of mounted storage
// devices are root folders.
FolderFacts readFolderFacts(const QByteArray& path);

// What a status must hold for the facts.
inline constexpr unsigned folderFactsMask = STATX_TYPE | STATX_INO | STATX_MNT_ID;

// The same facts from a status already read, for the folder `name` names
// in the open folder `at` (AT_FDCWD: `name` is its absolute path).
FolderFacts folderFactsFrom(int at, const QByteArray& name, const struct statx& status);

// `path` made absolute, without a trailing separator but at "/".
QByteArray absoluteFolderPath(const QByteArray& path);

// The walk passes over a protected system folder that is not a root.
bool walkEnters(const FolderFacts& facts);

} // namespace ferrowax
