#include "platform/time_sliced_event_pump.h"

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
    for (int round = 0; round < 3; ++round) {
        std::atomic<bool> waiting = false;
        bool timedOut = false;
        QTimer::singleShot(10'000, [&] { timedOut = true; });
        std::thread reader([&] {
            while (!waiting)
                std::this_thread::yield();
            // Late enough that the wait has begun sleeping.
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            pump.wake();
        });
        waiting = true;
        pump.yieldUntilWoken();
        reader.join();
        EXPECT_FALSE(timedOut) << round;
    }
}

} // namespace
