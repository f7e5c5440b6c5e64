#pragma once

#include "failure.h"

#include <QByteArray>

namespace ferrowax {

// A path the user controls may name a pipe, a device or a folder, and
// opening some of those waits for ever. Only regular files are opened for
// their content; anything else is "not a file".
class NotARegularFile : public Failure {
public:
    explicit NotARegularFile(const QByteArray& path);
};

// Files read whole are small: the skin, the cursor, the settings.
inline constexpr qint64 largestFileReadWhole = 1024 * 1024;

class FileTooLarge : public Failure {
public:
    FileTooLarge(const QByteArray& path, qint64 limit);
};

// The whole content of the regular file at `path`. Never blocks: the file is
// opened without waiting and checked before anything is read. Fails with
// NotARegularFile, with FileTooLarge above `limit` bytes (without reading
// the file whole), or with the system's text.
QByteArray readRegularFile(const QByteArray& path, qint64 limit = largestFileReadWhole);

} // namespace ferrowax
