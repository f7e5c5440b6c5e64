#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace ferrowax {

// Where a window of fixed size opens: centred on the available screen area
// when it fits, otherwise at the area's top-left corner, so that at a large
// scale its edges are never out of reach.
QPoint placementFor(const QRect& available, const QSize& window);

} // namespace ferrowax
