#pragma once

#include <QCursor>
#include <QByteArray>

namespace ferrowax {

// A mouse cursor from the bytes of a Windows cursor (.cur) file, hot spot
// included. Fails when they are no cursor.
QCursor cursorFromFile(const QByteArray& bytes);

} // namespace ferrowax
