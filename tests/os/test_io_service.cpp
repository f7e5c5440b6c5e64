#include "os/io_service.h"
#include "os/time_sliced_event_pump.h"
#include "support/hang_guard.h"
#include "support/qt_printers.h"

#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <thread>

using namespace Qt::StringLiterals;
using namespace ferrowax;
using namespace ferrowax::testing;
using namespace std::chrono_literals;

namespace {

// Waits up to ten seconds for `flag`, as a call stuck in the kernel would.
bool waitFor(const std::atomic<bool>& flag)
{
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!flag && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    return flag;
}

// What a call answers; says on which thread it was let go.
struct Answer {
    std::shared_ptr<std::atomic<bool>> droppedOnCaller;
    std::thread::id caller;
    ~Answer()
    {
        if (droppedOnCaller)
            *droppedOnCaller = std::this_thread::get_id() == caller;
    }
    Answer(std::shared_ptr<std::atomic<bool>> dropped, std::thread::id thread)
        : droppedOnCaller(std::move(dropped))
        , caller(thread)
    {
    }
    Answer(Answer&& other) noexcept = default;
};

struct IoServiceTest : ::testing::Test {
    HangGuard guard{60};
    TimeSlicedEventPump pump;
    IoService io{pump};
};

// The caller handles its events while the call runs: here the call answers
// only once an event of the caller's has been handled.
TEST_F(IoServiceTest, ACallAnswersWhileTheCallerHandlesItsEvents)
{
    const auto handled = std::make_shared<std::atomic<bool>>(false);
    QTimer::singleShot(0, [handled] { *handled = true; });
    EXPECT_EQ(io.run([handled] { return waitFor(*handled) ? 42 : 0; }), 42);

    // One started inside the wait for another, and answering after it:
    // neither wait misses its answer.
    const auto innerStarted = std::make_shared<std::atomic<bool>>(false);
    int inner = 0;
    QTimer::singleShot(0, [&] {
        inner = io.run([innerStarted] {
            *innerStarted = true;
            std::this_thread::sleep_for(50ms); // the outer one answers meanwhile
            return 2;
        });
    });
    EXPECT_EQ(io.run([innerStarted] { return waitFor(*innerStarted) ? 1 : 0; }), 1);
    EXPECT_EQ(inner, 2);
    EXPECT_EQ(io.abandoned(), 0);
}

TEST_F(IoServiceTest, WhatACallThrowsIsThrownToItsCaller)
{
    try {
        io.run([] { throw Failure::fromErrno(EIO); });
        ADD_FAILURE() << "nothing was thrown";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.description(), u"Input/output error"_s);
    }
    EXPECT_THROW(io.run([]() -> int { throw std::bad_alloc(); }), std::bad_alloc);
}

// A call that never answers is left behind once the caller's patience is
// over: counted, its thread still at work, and what it answers late is let
// go on that thread. Nothing waits for it at the end of the program.
TEST_F(IoServiceTest, ACallThatNeverAnswersIsAbandoned)
{
    const auto released = std::make_shared<std::atomic<bool>>(false);
    const auto droppedOnCaller = std::make_shared<std::atomic<bool>>(true);
    const std::thread::id caller = std::this_thread::get_id();
    EXPECT_THROW(io.run(
                     [released, droppedOnCaller, caller] {
                         waitFor(*released);
                         return Answer(droppedOnCaller, caller);
                     },
                     50ms),
        NoAnswer);
    EXPECT_EQ(io.abandoned(), 1);
    EXPECT_EQ(io.threadsAtWork(), 1);

    const auto stuck = std::make_shared<std::atomic<bool>>(false);
    const auto begun = std::chrono::steady_clock::now();
    EXPECT_FALSE(io.finishWithin([released, stuck] { *stuck = !waitFor(*released); }, 50ms));
    EXPECT_LT(std::chrono::steady_clock::now() - begun, 5s);
    EXPECT_TRUE(io.finishWithin([] {}, 10s));
    EXPECT_EQ(io.abandoned(), 2);

    *released = true;
    EXPECT_TRUE(QTest::qWaitFor([&] { return io.threadsAtWork() == 0; }, 10000));
    EXPECT_FALSE(*droppedOnCaller);
    EXPECT_FALSE(*stuck);
}

TEST_F(IoServiceTest, ACallStartedIsNotWaitedFor)
{
    const auto released = std::make_shared<std::atomic<bool>>(false);
    const auto made = std::make_shared<std::atomic<bool>>(false);
    io.start([released, made] { *made = waitFor(*released); });
    EXPECT_EQ(io.threadsAtWork(), 1);
    *released = true;
    EXPECT_TRUE(QTest::qWaitFor([&] { return io.threadsAtWork() == 0; }, 10000));
    EXPECT_TRUE(*made);
    EXPECT_EQ(io.abandoned(), 0);
}

} // namespace
