#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace ferrowax {

class IoService;

// Starts `program` (an absolute path) so that it outlives this program, and
// watches it for `watchMilliseconds`: fails when it cannot be started or
// ends in that time with a status other than 0. One still running then is
// taken to have started well. The watch is a call of `io`: the window
// handles its events meanwhile.
void startWatched(IoService& io, const QString& program, const QStringList& arguments,
    const QProcessEnvironment& environment, int watchMilliseconds);

} // namespace ferrowax
