#pragma once

#include <QByteArray>
#include <QImage>
#include <QPoint>

namespace ferrowax::testing {

// A Windows cursor file: an icon file whose type field says cursor and whose
// entry carries the hot spot.
QByteArray cursorFileBytes(const QImage& image, QPoint hotSpot);

} // namespace ferrowax::testing
