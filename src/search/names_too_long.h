#pragma once

#include <QByteArray>

namespace ferrowax {

class WalkHost;

// The longest full path of a file the walk accepts, in characters.
inline constexpr int maximumPathLength = 260;

// True, after telling the user, when some file of the folder would have a
// full path longer than the limit or when its names cannot be listed.
bool namesTooLong(QByteArray path, WalkHost& host);

} // namespace ferrowax
