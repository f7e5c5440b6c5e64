#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace ferrowax {

// Starts `program` (an absolute path) so that it outlives this program, and
// watches it for `watchMilliseconds`: fails when it cannot be started or
// ends in that time with a status other than 0. One still running then is
// taken to have started well. The window handles its events meanwhile.
void startWatched(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment,
    int watchMilliseconds);

} // namespace ferrowax
