#pragma once

#include <QByteArray>

namespace ferrowax {

// The parts of a path as bytes. Names may hold any byte but the separator.

// Everything before the last separator: "/" for a name at the root, "." for
// a bare name.
QByteArray folderOf(const QByteArray& path);

// Everything after the last separator.
QByteArray nameOf(const QByteArray& path);

} // namespace ferrowax
