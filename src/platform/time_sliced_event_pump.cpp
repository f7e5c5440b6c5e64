#include "time_sliced_event_pump.h"

#include <QCoreApplication>

namespace ferrowax {

namespace {
// Reading the clock costs more than a yield that does nothing; a walk yields
// about once a microsecond, so every eighth yield looks at it.
constexpr int yieldsPerClockRead = 8;
} // namespace

TimeSlicedEventPump::TimeSlicedEventPump(int sliceMicroseconds)
    : sliceNanoseconds_(qint64{sliceMicroseconds} * 1000)
{
    sinceLastPump_.start();
}

void TimeSlicedEventPump::yield()
{
    if (++yieldsSinceClockRead_ < yieldsPerClockRead)
        return;
    yieldsSinceClockRead_ = 0;
    if (sinceLastPump_.nsecsElapsed() < sliceNanoseconds_)
        return;
    QCoreApplication::processEvents();
    sinceLastPump_.restart();
}

} // namespace ferrowax
