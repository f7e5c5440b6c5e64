#include "time_sliced_event_pump.h"

#include <QCoreApplication>

namespace ferrowax {

TimeSlicedEventPump::TimeSlicedEventPump(int sliceMilliseconds)
    : sliceMilliseconds_(sliceMilliseconds)
{
    sinceLastPump_.start();
}

void TimeSlicedEventPump::yield()
{
    if (sinceLastPump_.elapsed() < sliceMilliseconds_)
        return;
    QCoreApplication::processEvents();
    sinceLastPump_.restart();
}

} // namespace ferrowax
