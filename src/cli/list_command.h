#pragma once

#include "walk_engine/walk_limits.h"

#include <cstdio>

namespace ferrowax {

class EventPump;
class FileSystem;
struct Invocation;

// What the walks of `invocation` leave out, for the file system they read.
WalkLimits walkLimitsOf(const Invocation& invocation);

// "Start Searching" without a window: walks each folder in order for the
// extensions (at least one of each), exactly as the window's search does,
// and prints the path of every match as its bytes, each followed by a new
// line or a NUL byte. What the window would show in a box goes to `errors`,
// one line each.
// Answers the exit status: 0 when nothing was reported, 1 otherwise.
// `eventPump` is the one the file system wakes when a folder it reads for
// the walk is read.
int listMatches(const Invocation& invocation, const FileSystem& fileSystem, EventPump& eventPump, std::FILE* out,
    std::FILE* errors);

} // namespace ferrowax
