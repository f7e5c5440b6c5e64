#pragma once

#include <QByteArray>
#include <QList>

#include <cstdio>

namespace ferrowax {

class FileSystem;

// "Start Searching" without a window: walks each folder in order for the
// extensions, exactly as the window's search does, and prints the path of
// every match as its bytes, each followed by `separator`. What the window
// would show in a box goes to `errors`, one line each. Answers the exit
// status: 0 when nothing was reported, 1 otherwise.
int listMatches(const QList<QByteArray>& folders, const QList<QByteArray>& extensions, char separator,
    const FileSystem& fileSystem, std::FILE* out, std::FILE* errors);

} // namespace ferrowax
