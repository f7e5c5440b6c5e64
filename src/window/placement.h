#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace ferrowax {

// Where a window of fixed size opens: centred on the available screen area
// when it fits, otherwise at the area's top-left corner, so that at a large
// scale its edges are never out of reach.
QPoint placementFor(const QRect& available, const QSize& window);

// Qt reports the size of a scaled screen rounded to whole logical pixels,
// and rounds a window's size in turn to whole device pixels: the largest
// logical size whose device pixels surely fit into those of `logical`.
QSize surelyWithin(const QSize& logical, qreal scale);

// The largest window size, up to `designed`, that fits into `room` while its
// contents scroll: where they do not fit one way, a scroll bar `scrollBar`
// pixels thick runs along that side and takes room from the other way.
QSize fittedSize(const QSize& designed, const QSize& room, int scrollBar);

// The position nearest to that of `frame` at which it lies within
// `available`; where it is larger, its left or top edge stays in.
QPoint keptWithin(const QRect& available, const QRect& frame);

} // namespace ferrowax
