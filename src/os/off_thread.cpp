#include "off_thread.h"

#include "failure.h"

#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <exception>
#include <memory>
#include <thread>

#include <sys/eventfd.h>
#include <unistd.h>

namespace ferrowax {

namespace {

// Owned by the waiting side and the work together, so that work left
// behind writes into memory and a descriptor that are still its own.
struct Shared {
    explicit Shared(int descriptor)
        : done(descriptor)
    {
    }
    ~Shared() { ::close(done); }
    Shared(const Shared&) = delete;
    Shared& operator=(const Shared&) = delete;

    const int done; // an eventfd: unlike a pipe, writing it never raises SIGPIPE
    std::atomic<bool> ended = false;
    std::exception_ptr error;
};

} // namespace

bool runOffThread(std::function<void()> work, int limitMilliseconds)
{
    const int descriptor = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (descriptor < 0)
        throw Failure::fromErrno(errno);
    const auto shared = std::make_shared<Shared>(descriptor);

    QEventLoop waiting;
    QSocketNotifier ended(descriptor, QSocketNotifier::Read);
    QObject::connect(&ended, &QSocketNotifier::activated, &waiting, &QEventLoop::quit);
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &waiting, &QEventLoop::quit);

    std::thread([shared, work = std::move(work)] {
        try {
            work();
        } catch (...) {
            // An exception leaving a thread ends the process.
            shared->error = std::current_exception();
        }
        shared->ended.store(true, std::memory_order_release);
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t told = ::write(shared->done, &one, sizeof one);
    }).detach();

    limit.start(limitMilliseconds);
    if (!shared->ended.load(std::memory_order_acquire))
        waiting.exec();
    if (!shared->ended.load(std::memory_order_acquire))
        return false;
    if (shared->error)
        std::rethrow_exception(shared->error);
    return true;
}

} // namespace ferrowax
