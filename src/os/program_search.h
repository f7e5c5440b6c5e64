#pragma once

#include <QProcessEnvironment>
#include <QString>

namespace ferrowax {

// The program `name` stands for: a path when it holds a separator and names
// an executable, else the first executable of that name in the PATH that
// `environment` gives. Empty when there is none.
QString findProgram(const QString& name, const QProcessEnvironment& environment);

} // namespace ferrowax
