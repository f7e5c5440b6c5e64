#include "io_service.h"

#include "event_pump.h"

#include <thread>

using namespace Qt::StringLiterals;

namespace ferrowax {

NoAnswer::NoAnswer(std::chrono::milliseconds patience)
    : Failure(u"No answer from the disk or program within %1 seconds"_s.arg(static_cast<double>(patience.count()) / 1000))
{
}

IoService::IoService(EventPump& pump)
    : pump_(pump)
{
}

void IoService::launch(std::shared_ptr<IoCall> call)
{
    counts_->threads.fetch_add(1);
    try {
        std::thread([call = std::move(call), counts = counts_]() mutable {
            call->make();
            std::shared_ptr<IoCall> last;
            {
                const std::lock_guard lock(call->mutex_);
                if (call->state_ == IoCall::State::Abandoned) {
                    last = std::move(call->self_);
                } else {
                    call->state_ = IoCall::State::Answered;
                    if (call->waiting_ != nullptr)
                        call->waiting_->wake();
                }
            }
            call->answered_.notify_all();
            call.reset();
            last.reset();
            counts->threads.fetch_sub(1);
        }).detach();
    } catch (...) {
        counts_->threads.fetch_sub(1);
        throw;
    }
}

// A waiting caller sleeps until an event or a wake comes; without events,
// only this wakes it once its patience is over.
void IoService::wakeAt(const std::shared_ptr<IoCall>& call, std::chrono::steady_clock::time_point deadline)
{
    std::thread([call, deadline] {
        std::unique_lock lock(call->mutex_);
        if (!call->answered_.wait_until(lock, deadline, [&] { return call->state_ != IoCall::State::Running; })
            && call->waiting_ != nullptr)
            call->waiting_->wake();
    }).detach();
}

// Under the call's mutex.
void IoService::abandon(IoCall& call, std::shared_ptr<IoCall>& handed)
{
    call.waiting_ = nullptr;
    call.state_ = IoCall::State::Abandoned;
    call.self_ = std::move(handed);
    counts_->abandoned.fetch_add(1);
}

bool IoService::awaitWithEvents(std::shared_ptr<IoCall>& handed, std::optional<std::chrono::milliseconds> patience)
{
    IoCall& call = *handed;
    {
        const std::lock_guard lock(call.mutex_);
        call.waiting_ = &pump_;
    }
    launch(handed);
    std::optional<std::chrono::steady_clock::time_point> deadline;
    if (patience) {
        deadline = std::chrono::steady_clock::now() + *patience;
        wakeAt(handed, *deadline);
    }
    for (;;) {
        {
            const std::lock_guard lock(call.mutex_);
            if (call.state_ == IoCall::State::Answered) {
                call.waiting_ = nullptr;
                return true;
            }
            if (deadline && std::chrono::steady_clock::now() >= *deadline) {
                abandon(call, handed);
                return false;
            }
        }
        // Other commands may run in here, and wait on calls of their own.
        pump_.yieldUntilWoken();
    }
}

bool IoService::awaitQuietly(std::shared_ptr<IoCall>& handed, std::chrono::milliseconds limit)
{
    IoCall& call = *handed;
    launch(handed);
    std::unique_lock lock(call.mutex_);
    if (call.answered_.wait_for(lock, limit, [&] { return call.state_ == IoCall::State::Answered; }))
        return true;
    abandon(call, handed);
    return false;
}

void IoService::launchAbandoned(std::shared_ptr<IoCall> handed)
{
    IoCall& call = *handed;
    {
        const std::lock_guard lock(call.mutex_);
        call.state_ = IoCall::State::Abandoned;
        call.self_ = handed;
    }
    try {
        launch(std::move(handed));
    } catch (...) {
        const std::lock_guard lock(call.mutex_);
        handed = std::move(call.self_); // never made: it goes here
    }
}

} // namespace ferrowax
