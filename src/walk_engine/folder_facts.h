#pragma once

#include <QByteArray>

#include <sys/types.h>

struct statx;

namespace ferrowax {

// What the walk's skip rule needs to know about a folder before it lists it.
struct FolderFacts {
    QByteArray path; // absolute, without a trailing separator but at "/"
    int attributes = 0;
    bool isRootFolder = false;
    dev_t device = 0; // of the file system it lies on
};

// Facts about the folder at `path`. Fails, with the system's text, when the
// path names no folder. The top of a kernel file system (/proc, /sys, ...)
// reports a protected system folder; "/" and the tops of mounted storage
// devices are root folders.
FolderFacts readFolderFacts(const QByteArray& path);

// The same facts from a status already read.
FolderFacts folderFactsFrom(const QByteArray& absolutePath, const struct statx& status);

// `path` made absolute, without a trailing separator but at "/".
QByteArray absoluteFolderPath(const QByteArray& path);

// The walk passes over a protected system folder that is not a root.
bool walkEnters(const FolderFacts& facts);

} // namespace ferrowax
