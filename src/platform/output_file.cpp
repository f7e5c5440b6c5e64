#include "output_file.h"

#include "failure.h"
#include "file_descriptor.h"
#include "path_parts.h"
#include "regular_file.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <climits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ferrowax {

namespace {

// The file a save to `path` lands in: every link of a chain is followed, so
// that the file at its end is replaced and each link keeps naming it. Bytes
// throughout, so names that are not UTF-8 survive.
QByteArray targetOf(QByteArray path)
{
    for (int link = 0; link < 40; ++link) {
        char target[4096];
        const ssize_t size = ::readlink(path.constData(), target, sizeof target);
        if (size < 0)
            return path; // not a link, or nothing there yet
        const QByteArray next(target, size);
        path = next.startsWith('/') ? next : folderOf(path) + '/' + next;
    }
    throw Failure::fromErrno(ELOOP);
}

// A name beside `name` that no user would pick, within the file system's
// limit on names however long `name` is.
QByteArray temporaryNameFor(const QByteArray& name, long nameMax)
{
    const QByteArray suffix = ".ferrowax-" + QByteArray::number(QRandomGenerator::global()->generate(), 36);
    return '.' + name.left(std::max<qsizetype>(1, nameMax - 1 - suffix.size())) + suffix;
}

} // namespace

// Works relative to its folder, opened once: a folder renamed or moved in
// the middle of a save still gets the file, and nothing is left behind.
class ReplacingOutputFile final : public OutputFile {
public:
    ReplacingOutputFile(ReplacingOutputFiles& files, const QByteArray& target)
        : files_(files)
        , folder_(::open(folderOf(target).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
        , name_(nameOf(target))
    {
        if (folder_.get() < 0)
            throw Failure::fromErrno(errno);
        struct stat existing {};
        const bool exists = ::fstatat(folder_.get(), name_.constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0;
        if (exists && S_ISDIR(existing.st_mode))
            throw Failure::fromErrno(EISDIR);
        if (exists && !S_ISREG(existing.st_mode))
            throw NotARegularFile(target);

        const long nameMax = ::fpathconf(folder_.get(), _PC_NAME_MAX);
        for (int attempt = 0; fd_ < 0; ++attempt) {
            temporary_ = temporaryNameFor(name_, nameMax > 0 ? nameMax : NAME_MAX);
            fd_ = ::openat(folder_.get(), temporary_.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                0666);
            if (fd_ < 0 && (errno != EEXIST || attempt == 100))
                throw Failure::fromErrno(errno);
        }
        files_.unfinished_.insert(this);
        // The new file takes the old one's place: it keeps its owner where
        // allowed, then its permissions, as a change of owner clears the
        // set-user-ID and set-group-ID bits.
        if (exists) {
            [[maybe_unused]] const int owned = ::fchown(fd_, existing.st_uid, existing.st_gid);
            ::fchmod(fd_, existing.st_mode & 07777);
        }
    }

    ~ReplacingOutputFile() override
    {
        if (fd_ >= 0)
            ::close(fd_);
        removeTemporary();
    }

    ReplacingOutputFile(const ReplacingOutputFile&) = delete;
    ReplacingOutputFile& operator=(const ReplacingOutputFile&) = delete;

    void write(QByteArrayView bytes) override
    {
        if (fd_ < 0)
            throw Failure::fromErrno(EBADF);
        waiting_.append(bytes);
        if (waiting_.size() >= bytesHandedOverTogether)
            flush();
    }

    void flush() override
    {
        QByteArrayView bytes = waiting_;
        while (!bytes.isEmpty()) {
            const ssize_t written = ::write(fd_, bytes.data(), static_cast<std::size_t>(bytes.size()));
            if (written < 0 && errno == EINTR)
                continue;
            if (written < 0)
                throw Failure::fromErrno(errno);
            bytes = bytes.sliced(written);
        }
        waiting_.clear();
    }

    void close() override
    {
        if (fd_ < 0)
            throw Failure::fromErrno(EBADF);
        flush();
        const int fd = fd_;
        fd_ = -1;
        // A full disk may tell only now; the data must be on it before the
        // old file goes.
        if (::fsync(fd) != 0) {
            const int error = errno;
            ::close(fd);
            throw Failure::fromErrno(error);
        }
        if (::close(fd) != 0)
            throw Failure::fromErrno(errno);
        if (::renameat(folder_.get(), temporary_.constData(), folder_.get(), name_.constData()) != 0)
            throw Failure::fromErrno(errno);
        files_.unfinished_.erase(this);
        temporary_.clear();
        ::fsync(folder_.get());
    }

    void removeTemporary()
    {
        if (temporary_.isEmpty())
            return;
        ::unlinkat(folder_.get(), temporary_.constData(), 0);
        temporary_.clear();
        files_.unfinished_.erase(this);
    }

private:
    // A system call per line would cost more than the rest of an export.
    static constexpr qsizetype bytesHandedOverTogether = 64 * 1024;

    ReplacingOutputFiles& files_;
    FileDescriptor folder_;
    QByteArray name_;
    QByteArray waiting_;
    QByteArray temporary_;
    int fd_ = -1;
};

std::unique_ptr<OutputFile> ReplacingOutputFiles::create(const QByteArray& path)
{
    return std::make_unique<ReplacingOutputFile>(*this, targetOf(path));
}

void ReplacingOutputFiles::removeUnfinished()
{
    while (!unfinished_.empty())
        (*unfinished_.begin())->removeTemporary();
}

} // namespace ferrowax
