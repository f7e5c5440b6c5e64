#pragma once

#include "event_pump.h"

#include <condition_variable>
#include <mutex>

namespace ferrowax {

// The event pump of a program without a window: there are no events, so a
// yield does nothing and a wait sleeps until woken.
class WindowlessEventPump final : public EventPump {
public:
    void yield() override {}
    void yieldUntilWoken() override;
    void wake() override;

private:
    std::mutex mutex_;
    std::condition_variable woke_;
    bool woken_ = false;
};

} // namespace ferrowax
