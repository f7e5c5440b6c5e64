#include "placement.h"

namespace ferrowax {

QPoint placementFor(const QRect& available, const QSize& window)
{
    if (window.width() > available.width() || window.height() > available.height())
        return available.topLeft();
    return available.topLeft()
        + QPoint((available.width() - window.width()) / 2, (available.height() - window.height()) / 2);
}

} // namespace ferrowax
