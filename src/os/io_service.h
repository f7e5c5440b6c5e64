#pragma once

#include "failure.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <type_traits>
#include <utility>

namespace ferrowax {

class EventPump;
class IoService;

// A call that did not answer within the time its caller gave it.
class NoAnswer : public Failure {
public:
    explicit NoAnswer(std::chrono::milliseconds patience);
};

// One call handed to the service, shared by its caller and the thread that
// makes it. The thread owns it once the caller has stopped waiting.
class IoCall {
public:
    virtual ~IoCall() = default;

protected:
    // Keeps what the call answers or throws for its caller, and lets go of
    // what the call holds on the thread that made it.
    virtual void make() noexcept = 0;

private:
    friend class IoService;
    enum class State { Running, Answered, Abandoned };

    std::mutex mutex_;
    std::condition_variable answered_;
    State state_ = State::Running;
    EventPump* waiting_ = nullptr; // woken when the call answers
    // Held by the call itself once nobody waits for it, so that it ends, and
    // what it answered goes, on its own thread.
    std::shared_ptr<IoCall> self_;
};

namespace io_detail {

template <class Call>
class TypedCall final : public IoCall {
public:
    using Result = std::invoke_result_t<Call&>;

    explicit TypedCall(Call call)
        : call_(std::move(call))
    {
    }

    Result take()
    {
        if (error_)
            std::rethrow_exception(error_);
        if constexpr (!std::is_void_v<Result>)
            return std::move(*result_);
    }

protected:
    void make() noexcept override
    {
        try {
            if constexpr (std::is_void_v<Result>)
                (*call_)();
            else
                result_.emplace((*call_)());
        } catch (...) {
            // An exception leaving a thread ends the process.
            error_ = std::current_exception();
        }
        call_.reset();
    }

private:
    struct Nothing {};
    std::optional<Call> call_;
    std::optional<std::conditional_t<std::is_void_v<Result>, Nothing, Result>> result_;
    std::exception_ptr error_;
};

} // namespace io_detail

// The one way a command reaches a disk or waits on another program. Each
// call runs on a thread of its own while the caller's event pump handles
// events, exactly as the walk waits for a folder read ahead, so the window
// answers, Stop stops and close closes whatever a disk does.
//
// A call stuck in the kernel can be neither cancelled nor joined. One that
// outlasts its caller's patience is abandoned: counted, its thread left
// behind, and what it answers late dropped on that thread; nothing waits for
// it when the program ends. Whatever a call touches must therefore be its
// own: captured by value, shared, or living as long as the program.
class IoService {
public:
    // `pump` handles the caller's events while a call runs; it must outlive
    // every wait.
    explicit IoService(EventPump& pump);
    IoService(const IoService&) = delete;
    IoService& operator=(const IoService&) = delete;

    // Answers what `call` answers, or throws what it throws, however long it
    // takes.
    template <class Call>
    std::invoke_result_t<Call&> run(Call call)
    {
        return runWaiting(std::move(call), std::nullopt);
    }
    // The same, but throws NoAnswer once `patience` has passed without an
    // answer.
    template <class Call>
    std::invoke_result_t<Call&> run(Call call, std::chrono::milliseconds patience)
    {
        return runWaiting(std::move(call), patience);
    }

    // Makes `call` without anyone waiting for it.
    template <class Call>
    void start(Call call)
    {
        launchAbandoned(std::make_shared<io_detail::TypedCall<Call>>(std::move(call)));
    }

    // For the end of the program, when no event may be handled any more:
    // waits for `call` at most `limit`, and answers whether it ended.
    template <class Call>
    bool finishWithin(Call call, std::chrono::milliseconds limit) noexcept
    {
        try {
            std::shared_ptr<IoCall> handed = std::make_shared<io_detail::TypedCall<Call>>(std::move(call));
            return awaitQuietly(handed, limit);
        } catch (...) {
            return false;
        }
    }

    // Lets go of `held` on a thread of the service: the last owner of an
    // open file closes it, and that may wait on the disk too. Where no thread
    // can be had, lets go here.
    template <class T>
    void release(std::shared_ptr<T> held) noexcept
    {
        if (!held)
            return;
        try {
            run([held = std::move(held)]() mutable { held.reset(); });
        } catch (...) {
        }
    }

    // Threads still at work on calls, those of abandoned calls included.
    int threadsAtWork() const { return counts_->threads.load(); }
    // Calls whose caller stopped waiting before they answered.
    int abandoned() const { return counts_->abandoned.load(); }

private:
    struct Counts {
        std::atomic<int> threads = 0;
        std::atomic<int> abandoned = 0;
    };

    template <class Call>
    std::invoke_result_t<Call&> runWaiting(Call call, std::optional<std::chrono::milliseconds> patience)
    {
        std::shared_ptr<IoCall> handed = std::make_shared<io_detail::TypedCall<Call>>(std::move(call));
        auto& typed = static_cast<io_detail::TypedCall<Call>&>(*handed);
        if (!awaitWithEvents(handed, patience))
            throw NoAnswer(*patience);
        return typed.take();
    }

    // Each takes the caller's only reference; on false the call holds it.
    bool awaitWithEvents(std::shared_ptr<IoCall>& handed, std::optional<std::chrono::milliseconds> patience);
    bool awaitQuietly(std::shared_ptr<IoCall>& handed, std::chrono::milliseconds limit);
    void launchAbandoned(std::shared_ptr<IoCall> handed);

    void launch(std::shared_ptr<IoCall> call);
    static void wakeAt(const std::shared_ptr<IoCall>& call, std::chrono::steady_clock::time_point deadline);
    void abandon(IoCall& call, std::shared_ptr<IoCall>& handed);

    EventPump& pump_;
    std::shared_ptr<Counts> counts_ = std::make_shared<Counts>();
};

} // namespace ferrowax
