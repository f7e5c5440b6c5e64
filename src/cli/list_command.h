#pragma once

#include <QByteArray>
#include <QList>

#include <cstdio>

namespace ferrowax {

class EventPump;
class FileSystem;

// "Start Searching" without a window: walks each folder in order for the
// extensions, exactly as the window's search does, and prints the path of
// every match as its bytes, each followed by `separator`. What the window
// would show in a box goes to `errors`, one line each. Answers the exit
// status: 0 when nothing was reported, 1 otherwise. `eventPump` is the one
// the file system wakes when a folder it reads for the walk is read.
int listMatches(const QList<QByteArray>& folders, const QList<QByteArray>& extensions, char separator,
    const FileSystem& fileSystem, EventPump& eventPump, std::FILE* out, std::FILE* errors);

} // namespace ferrowax
