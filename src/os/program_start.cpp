#include "program_start.h"

#include "failure.h"
#include "io_service.h"

#include <QFile>

#include <cerrno>
#include <ctime>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace ferrowax {

namespace {

struct Outcome {
    enum Kind : int { Running, Exited, Killed, CannotStart } kind = Running;
    int value = 0; // exit status, signal or errno
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
    char* const* get() { return pointers_.data(); }

private:
    std::vector<QByteArray> bytes_;
    std::vector<char*> pointers_;
};

[[noreturn]] void watchInChild(char* const* argv, char* const* envp, int report, int watchMilliseconds)
{
    int execFailed[2];
    Outcome outcome;
    if (::pipe2(execFailed, O_CLOEXEC) != 0) {
        outcome = {Outcome::CannotStart, errno};
    } else if (const pid_t program = ::fork(); program == 0) {
        ::setsid();
        ::execve(argv[0], argv, envp);
        const int error = errno;
        [[maybe_unused]] const ssize_t told = ::write(execFailed[1], &error, sizeof error);
        ::_exit(127);
    } else {
        ::close(execFailed[1]);
        int error = 0;
        if (::read(execFailed[0], &error, sizeof error) == static_cast<ssize_t>(sizeof error)) {
            outcome = {Outcome::CannotStart, error};
        } else {
            const timespec pause{0, 20 * 1000 * 1000};
            for (int waited = 0; waited < watchMilliseconds; waited += 20) {
                int status = 0;
                if (::waitpid(program, &status, WNOHANG) == program) {
                    outcome = WIFEXITED(status) ? Outcome{Outcome::Exited, WEXITSTATUS(status)}
                                                : Outcome{Outcome::Killed, WTERMSIG(status)};
                    break;
                }
                ::nanosleep(&pause, nullptr);
            }
        }
    }
    [[maybe_unused]] const ssize_t told = ::write(report, &outcome, sizeof outcome);
    ::_exit(0);
}

// The watcher's report, once it has been watched; none when the watcher
// could not tell.
std::optional<Outcome> reportOf(int report, pid_t watcher)
{
    Outcome outcome;
    ssize_t got = 0;
    do
        got = ::read(report, &outcome, sizeof outcome);
    while (got < 0 && errno == EINTR);
    ::close(report);
    ::waitpid(watcher, nullptr, 0);
    return got == static_cast<ssize_t>(sizeof outcome) ? std::optional(outcome) : std::nullopt;
}

} // namespace

void startWatched(IoService& io, const QString& program, const QStringList& arguments,
    const QProcessEnvironment& environment, int watchMilliseconds)
{
    CStrings argv(QStringList{program} + arguments);
    CStrings envp(environment.toStringList());
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        throw Failure::fromErrno(errno);
    // A watcher in between: the program becomes nobody's child once it has
    // been watched, and goes on when this one ends.
    const pid_t watcher = ::fork();
    if (watcher < 0) {
        const int error = errno;
        ::close(report[0]);
        ::close(report[1]);
        throw Failure::fromErrno(error);
    }
    if (watcher == 0)
        watchInChild(argv.get(), envp.get(), report[1], watchMilliseconds);
    ::close(report[1]);

    std::optional<Outcome> told;
    try {
        told = io.run([report = report[0], watcher] { return reportOf(report, watcher); });
    } catch (...) {
        ::close(report[0]);
        throw;
    }
    if (!told)
        throw Failure(program + u" cannot be watched"_s);
    const Outcome outcome = *told;
    switch (outcome.kind) {
    case Outcome::CannotStart:
        throw Failure(program + u" cannot be started: "_s + Failure::fromErrno(outcome.value).description());
    case Outcome::Exited:
        if (outcome.value != 0)
            throw Failure(program + u" ended with exit status %1"_s.arg(outcome.value));
        break;
    case Outcome::Killed:
        throw Failure(program + u" ended by signal %1"_s.arg(outcome.value));
    case Outcome::Running:
        break;
    }
}

} // namespace ferrowax
