#pragma once

#include "file_descriptor.h"

#include <QByteArray>

#include <optional>

#include <sys/stat.h>

namespace ferrowax {

// Where a save to a path lands: the file at the end of its chain of links,
// named in its folder, which is opened once so that a folder renamed in the
// middle of a save still gets the file. Bytes throughout, so names that are
// not UTF-8 survive.
//
// Fails, as the system would when the file is opened for writing, for a
// chain of links longer than the system follows, a name longer than the file
// system takes, a folder, and a file the user may not write; and for
// anything but a regular file.
class SaveTarget {
public:
    explicit SaveTarget(const QByteArray& path);

    int folder() const { return folder_.get(); }
    const QByteArray& name() const { return name_; }
    // The longest name the folder's file system takes.
    long nameMax() const { return nameMax_; }
    // The file there now, if any.
    const std::optional<struct stat>& existing() const { return existing_; }

private:
    FileDescriptor folder_;
    QByteArray name_;
    long nameMax_ = 0;
    std::optional<struct stat> existing_;
};

} // namespace ferrowax
