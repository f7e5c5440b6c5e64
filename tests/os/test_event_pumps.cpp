#include "os/time_sliced_event_pump.h"

#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace ferrowax;

namespace {

// A walk waiting for a folder sleeps in the window's event loop; the reader
// that reads the folder must wake it, with no event of the window's to help.
// A timer ends a wait that nothing else ends, so that a lost wake fails the
// test instead of stalling it.
TEST(TimeSlicedEventPump, AWakeFromAnotherThreadEndsTheWait)
{
    TimeSlicedEventPump pump;
    std::atomic<bool> woke = false;
    bool timedOut = false;
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, [&] { timedOut = true; });
    timeout.start(10'000);
    std::thread reader([&] {
        // Late enough that the wait has begun sleeping.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        woke = true;
        pump.wake();
    });
    // Other events may end a wait too; then it waits again.
    while (!woke && !timedOut)
        pump.yieldUntilWoken();
    reader.join();
    EXPECT_FALSE(timedOut);
}

// Once a slice has passed, the next few yields of a walk handle what waits,
// such as a screen reader's question: answered within a slice or so.
TEST(TimeSlicedEventPump, YieldsHandleWhatWaitsOnceASliceHasPassed)
{
    TimeSlicedEventPump pump;
    bool handled = false;
    QMetaObject::invokeMethod(QCoreApplication::instance(), [&] { handled = true; }, Qt::QueuedConnection);
    std::this_thread::sleep_for(std::chrono::milliseconds(2)); // twice the slice
    for (int yield = 0; yield < 8 && !handled; ++yield)
        pump.yield();
    EXPECT_TRUE(handled);
}

} // namespace
