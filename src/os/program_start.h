#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <vector>

namespace ferrowax {

class IoService;

// Starts `program` (an absolute path) once for each list of arguments, in
// order, each without waiting on the one before and so that it outlives this
// program, and watches each for `watchMilliseconds` from its start. Fails
// with the first failure seen, and starts none after it: a start that fails,
// or a program that ends within its watch with a status other than 0. One
// still running at the end of its watch is taken to have started well. The
// window handles its events meanwhile, and the starts stop once this program
// has ended. The waits are calls of `io`.
void startEachWatched(IoService& io, const QString& program, const std::vector<QStringList>& argumentLists,
    const QProcessEnvironment& environment, int watchMilliseconds);

// One start, with nothing required.
void startWatched(IoService& io, const QString& program, const QStringList& arguments,
    const QProcessEnvironment& environment, int watchMilliseconds);

} // namespace ferrowax
