#include "unprivileged.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ferrowax::testing {

QByteArray runUnprivileged(const std::function<QByteArray()>& check)
{
    int answer[2];
    if (::pipe2(answer, O_CLOEXEC) != 0)
        return "<no pipe>";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(answer[0]);
        if (::geteuid() == 0
            && (::setgroups(0, nullptr) != 0 || ::setgid(unprivilegedId) != 0 || ::setuid(unprivilegedId) != 0))
            ::_exit(90);
        const QByteArray said = check();
        const bool told = ::write(answer[1], said.constData(), static_cast<size_t>(said.size())) == said.size();
        ::_exit(told ? 0 : 91);
    }
    ::close(answer[1]);
    if (child < 0) {
        ::close(answer[0]);
        return "<no child>";
    }
    QByteArray said;
    char buffer[4096];
    for (ssize_t got; (got = ::read(answer[0], buffer, sizeof buffer)) > 0;)
        said.append(buffer, got);
    ::close(answer[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "<child ended with status " + QByteArray::number(status) + ">";
    return said;
}

} // namespace ferrowax::testing
