#include "time_sliced_event_pump.h"

#include <QAbstractEventDispatcher>
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

void TimeSlicedEventPump::yieldUntilWoken()
{
    dispatcher_.store(QAbstractEventDispatcher::instance(), std::memory_order_release);
    // A wake between this test and the wait still ends the wait: the
    // dispatcher keeps a wake-up that came while it was not waiting.
    if (woken_.exchange(false, std::memory_order_acq_rel))
        QCoreApplication::processEvents();
    else
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    woken_.store(false, std::memory_order_release);
    sinceLastPump_.restart();
}

void TimeSlicedEventPump::wake()
{
    woken_.store(true, std::memory_order_release);
    if (QAbstractEventDispatcher* dispatcher = dispatcher_.load(std::memory_order_acquire))
        dispatcher->wakeUp();
}

} // namespace ferrowax
