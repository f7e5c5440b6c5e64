#pragma once

#include "event_pump.h"

#include <QElapsedTimer>

#include <atomic>

class QAbstractEventDispatcher;

namespace ferrowax {

// Processing events costs microseconds even when none are pending, so a yield
// per file would dominate a walk. Events are handled at most once per slice.
// A screen reader asks the window one question at a time and each waits for
// the next slice, so slices are short: a millisecond costs the walk little.
class TimeSlicedEventPump final : public EventPump {
public:
    explicit TimeSlicedEventPump(int sliceMicroseconds = 1000);
    void yield() override;
    void yieldUntilWoken() override;
    void wake() override;

private:
    QElapsedTimer sinceLastPump_;
    qint64 sliceNanoseconds_;
    int yieldsSinceClockRead_ = 0;
    std::atomic<bool> woken_ = false;
    std::atomic<QAbstractEventDispatcher*> dispatcher_ = nullptr;
};

} // namespace ferrowax
