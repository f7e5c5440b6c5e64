#include "program_start.h"

#include "failure.h"
#include "io_service.h"

#include <QFile>

#include <cerrno>
#include <csignal>
#include <ctime>
#include <memory>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace ferrowax {

namespace {

// What the watcher tells, one message per packet.
struct Message {
    enum Kind : int { Started, AllStarted, CannotStart, Exited, Killed } kind = AllStarted;
    int launch = 0;
    int value = 0; // errno, exit status or signal
};

// Null-terminated arrays of C strings, made before forking: a child of a
// threaded program may do little but exec.
class CStrings {
public:
    explicit CStrings(const QStringList& texts)
    {
        for (const QString& text : texts)
            bytes_.push_back(QFile::encodeName(text));
        for (QByteArray& text : bytes_)
            pointers_.push_back(text.data());
        pointers_.push_back(nullptr);
    }
    CStrings(const CStrings&) = delete;
    CStrings& operator=(const CStrings&) = delete;
    char* const* get() { return pointers_.data(); }

private:
    std::vector<QByteArray> bytes_;
    std::vector<char*> pointers_;
};

struct Watched {
    pid_t program = 0;
    int launch = 0;
    long long startedMilliseconds = 0;
};

// Everything the watcher reads or writes, made before the fork.
struct Plan {
    std::vector<std::unique_ptr<CStrings>> argv;
    std::unique_ptr<CStrings> envp;
    std::vector<Watched> watched; // room for every launch
    int watchMilliseconds = 0;
    int report = -1;
};

long long nowMilliseconds()
{
    timespec now {};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000LL + now.tv_nsec / 1'000'000;
}

// Async-signal-safe from here to the end of the watcher.
class Watcher {
public:
    explicit Watcher(Plan& plan)
        : plan_(plan)
    {
    }

    [[noreturn]] void run()
    {
        for (std::size_t launch = 0; launch < plan_.argv.size(); ++launch) {
            lookAtStarted();
            start(static_cast<int>(launch));
        }
        tell({Message::AllStarted, 0, 0});
        const timespec pause{0, 20 * 1000 * 1000};
        while (count_ > 0) {
            ::nanosleep(&pause, nullptr);
            lookAtStarted();
        }
        ::_exit(0);
    }

private:
    // Once this program has ended, and its end shuts its sockets down,
    // nothing more is started: the user closed the window to stop.
    void tell(const Message& message)
    {
        if (::send(plan_.report, &message, sizeof message, MSG_NOSIGNAL) != static_cast<ssize_t>(sizeof message))
            ::_exit(0);
    }

    [[noreturn]] void end(const Message& failure)
    {
        tell(failure);
        ::_exit(0);
    }

    void start(int launch)
    {
        int execFailed[2];
        if (::pipe2(execFailed, O_CLOEXEC) != 0)
            end({Message::CannotStart, launch, errno});
        char* const* argv = plan_.argv[static_cast<std::size_t>(launch)]->get();
        const pid_t program = ::fork();
        if (program == 0) {
            ::setsid();
            ::execve(argv[0], argv, plan_.envp->get());
            const int error = errno;
            [[maybe_unused]] const ssize_t told = ::write(execFailed[1], &error, sizeof error);
            ::_exit(127);
        }
        const int forkError = errno;
        ::close(execFailed[1]);
        int error = 0;
        const bool failed = program < 0 || ::read(execFailed[0], &error, sizeof error) == static_cast<ssize_t>(sizeof error);
        ::close(execFailed[0]);
        if (failed)
            end({Message::CannotStart, launch, program < 0 ? forkError : error});
        plan_.watched[count_++] = {program, launch, nowMilliseconds()};
        tell({Message::Started, launch, 0});
    }

    // A program that ended within its watch is judged by its status; one
    // watched its whole time is left to run.
    void lookAtStarted()
    {
        int status = 0;
        for (pid_t ended; (ended = ::waitpid(-1, &status, WNOHANG)) > 0;) {
            for (std::size_t i = 0; i < count_; ++i) {
                if (plan_.watched[i].program != ended)
                    continue;
                if (WIFSIGNALED(status))
                    end({Message::Killed, plan_.watched[i].launch, WTERMSIG(status)});
                if (WEXITSTATUS(status) != 0)
                    end({Message::Exited, plan_.watched[i].launch, WEXITSTATUS(status)});
                plan_.watched[i] = plan_.watched[--count_];
                break;
            }
        }
        const long long now = nowMilliseconds();
        for (std::size_t i = 0; i < count_;) {
            if (now - plan_.watched[i].startedMilliseconds >= plan_.watchMilliseconds)
                plan_.watched[i] = plan_.watched[--count_];
            else
                ++i;
        }
    }

    Plan& plan_;
    std::size_t count_ = 0;
};

Failure failureOf(const QString& program, const Message& message)
{
    switch (message.kind) {
    case Message::CannotStart:
        return Failure(program + u" cannot be started: "_s + Failure::fromErrno(message.value).description());
    case Message::Exited:
        return Failure(program + u" ended with exit status %1"_s.arg(message.value));
    default:
        return Failure(program + u" ended by signal %1"_s.arg(message.value));
    }
}

struct Told {
    bool allStarted = false;
    std::optional<Message> failure;
};

// What the watcher tells until it ends (its socket closes), unless a
// failure comes first.
Told reportsOf(int report, pid_t watcher)
{
    Told told;
    Message message;
    for (;;) {
        const ssize_t got = ::recv(report, &message, sizeof message, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got != static_cast<ssize_t>(sizeof message))
            break;
        if (message.kind == Message::AllStarted) {
            told.allStarted = true;
        } else if (message.kind != Message::Started) {
            told.failure = message;
            break;
        }
    }
    ::close(report);
    ::waitpid(watcher, nullptr, 0);
    return told;
}

} // namespace

void startEachWatched(IoService& io, const QString& program, const std::vector<QStringList>& argumentLists,
    const QProcessEnvironment& environment, int watchMilliseconds)
{
    if (argumentLists.empty())
        return;
    Plan plan;
    for (const QStringList& arguments : argumentLists)
        plan.argv.push_back(std::make_unique<CStrings>(QStringList{program} + arguments));
    plan.envp = std::make_unique<CStrings>(environment.toStringList());
    plan.watched.resize(argumentLists.size());
    plan.watchMilliseconds = watchMilliseconds;

    int report[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, report) != 0)
        throw Failure::fromErrno(errno);
    plan.report = report[1];
    // A watcher in between: the programs become nobody's children once
    // watched, and go on when this one ends.
    const pid_t watcher = ::fork();
    if (watcher < 0) {
        const int error = errno;
        ::close(report[0]);
        ::close(report[1]);
        throw Failure::fromErrno(error);
    }
    if (watcher == 0) {
        ::close(report[0]);
        Watcher(plan).run();
    }
    ::close(report[1]);

    Told told;
    try {
        told = io.run([report = report[0], watcher] { return reportsOf(report, watcher); });
    } catch (...) {
        ::close(report[0]);
        throw;
    }
    if (told.failure)
        throw failureOf(program, *told.failure);
    if (!told.allStarted)
        throw Failure(program + u" cannot be watched"_s);
}

void startWatched(IoService& io, const QString& program, const QStringList& arguments,
    const QProcessEnvironment& environment, int watchMilliseconds)
{
    startEachWatched(io, program, {arguments}, environment, watchMilliseconds);
}

} // namespace ferrowax
