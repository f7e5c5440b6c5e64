#pragma once

#include <QFont>
#include <QPalette>

namespace ferrowax {

// The window's own look, whatever the desktop's theme: a white window with
// button-face buttons and black text. A dark theme would otherwise give
// dark lists and buttons on the white window.
QPalette designedPalette();

// Arial bold, or a face with the same measures where Arial is missing, so
// that the captions fit their buttons.
QFont designedFont(qreal points);

} // namespace ferrowax
