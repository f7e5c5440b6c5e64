#include "regular_file.h"

#include "file_descriptor.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace ferrowax {

NotARegularFile::NotARegularFile(const QByteArray& path)
    : Failure(QFile::decodeName(path) + u" is not a regular file"_s)
{
}

FileTooLarge::FileTooLarge(const QByteArray& path, qint64 limit)
    : Failure(QFile::decodeName(path) + u" is larger than %1 KiB"_s.arg(limit / 1024))
{
}

QByteArray readRegularFile(const QByteArray& path, qint64 limit)
{
    // Opening a pipe without O_NONBLOCK waits for a writer; opening a
    // terminal could make it the program's own.
    const FileDescriptor file(::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.get() < 0)
        throw Failure::fromErrno(errno);
    struct stat status {};
    if (::fstat(file.get(), &status) != 0)
        throw Failure::fromErrno(errno);
    if (!S_ISREG(status.st_mode))
        throw NotARegularFile(path);
    if (status.st_size > limit)
        throw FileTooLarge(path, limit);

    // Read to the end, not to the size: files in /proc tell no size, and a
    // file may grow while it is read.
    QByteArray content(static_cast<qsizetype>(status.st_size) + 1, Qt::Uninitialized);
    qsizetype filled = 0;
    for (;;) {
        if (filled == content.size())
            content.resize(content.size() + 4096);
        const ssize_t got = ::read(file.get(), content.data() + filled, static_cast<std::size_t>(content.size() - filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw Failure::fromErrno(errno);
        if (got == 0)
            break;
        filled += got;
        if (filled > limit)
            throw FileTooLarge(path, limit);
    }
    content.truncate(filled);
    return content;
}

} // namespace ferrowax
