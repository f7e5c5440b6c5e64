#include "placement.h"

#include <algorithm>
#include <cmath>

namespace ferrowax {

QPoint placementFor(const QRect& available, const QSize& window)
{
    if (window.width() > available.width() || window.height() > available.height())
        return available.topLeft();
    return available.topLeft()
        + QPoint((available.width() - window.width()) / 2, (available.height() - window.height()) / 2);
}

QSize surelyWithin(const QSize& logical, qreal scale)
{
    const auto within = [scale](int length) {
        const double fewestDevicePixels = std::ceil((length - 0.5) * scale);
        return static_cast<int>(std::ceil((fewestDevicePixels + 0.5) / scale)) - 1;
    };
    return {within(logical.width()), within(logical.height())};
}

QSize fittedSize(const QSize& designed, const QSize& room, int scrollBar)
{
    bool across = designed.width() > room.width();
    const bool down = designed.height() + (across ? scrollBar : 0) > room.height();
    across = across || designed.width() + (down ? scrollBar : 0) > room.width();
    return {std::min(room.width(), designed.width() + (down ? scrollBar : 0)),
        std::min(room.height(), designed.height() + (across ? scrollBar : 0))};
}

QPoint keptWithin(const QRect& available, const QRect& frame)
{
    const auto within = [](int position, int length, int start, int room) {
        return std::max(start, std::min(position, start + room - length));
    };
    return {within(frame.x(), frame.width(), available.x(), available.width()),
        within(frame.y(), frame.height(), available.y(), available.height())};
}

} // namespace ferrowax
