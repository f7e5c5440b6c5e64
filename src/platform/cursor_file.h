#pragma once

#include <QCursor>
#include <QString>

namespace ferrowax {

// A mouse cursor from a Windows cursor (.cur) file, hot spot included.
// Fails when the file cannot be read or is no cursor.
QCursor loadCursorFile(const QString& path);

} // namespace ferrowax
