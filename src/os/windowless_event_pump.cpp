#include "windowless_event_pump.h"

namespace ferrowax {

void WindowlessEventPump::yieldUntilWoken()
{
    std::unique_lock lock(mutex_);
    woke_.wait(lock, [this] { return woken_; });
    woken_ = false;
}

void WindowlessEventPump::wake()
{
    {
        const std::lock_guard lock(mutex_);
        woken_ = true;
    }
    woke_.notify_one();
}

} // namespace ferrowax
