#pragma once

#include "event_pump.h"

#include <QElapsedTimer>

namespace ferrowax {

// Processing events costs microseconds even when none are pending, so a yield
// per file would dominate a walk. Events are handled at most once per slice;
// a few milliseconds keep Stop and repaints prompt.
class TimeSlicedEventPump final : public EventPump {
public:
    explicit TimeSlicedEventPump(int sliceMilliseconds = 16);
    void yield() override;

private:
    QElapsedTimer sinceLastPump_;
    int sliceMilliseconds_;
};

} // namespace ferrowax
