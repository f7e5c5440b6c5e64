#include "output_file.h"

#include "failure.h"
#include "save_target.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ferrowax {

namespace {

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
    ReplacingOutputFile(ReplacingOutputFiles& files, SaveTarget target)
        : files_(files)
        , target_(std::move(target))
    {
        for (int attempt = 0; fd_ < 0; ++attempt) {
            temporary_ = temporaryNameFor(target_.name(), target_.nameMax());
            fd_ = ::openat(target_.folder(), temporary_.constData(),
                O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
            if (fd_ < 0 && (errno != EEXIST || attempt == 100))
                throw Failure::fromErrno(errno);
        }
        files_.unfinished_.insert(this);
        // The new file takes the old one's place: it keeps its owner where
        // allowed, then its permissions, as a change of owner clears the
        // set-user-ID and set-group-ID bits.
        if (const std::optional<struct stat>& existing = target_.existing()) {
            [[maybe_unused]] const int owned = ::fchown(fd_, existing->st_uid, existing->st_gid);
            ::fchmod(fd_, existing->st_mode & 07777);
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
        if (::renameat(target_.folder(), temporary_.constData(), target_.folder(), target_.name().constData()) != 0)
            throw Failure::fromErrno(errno);
        files_.unfinished_.erase(this);
        temporary_.clear();
        ::fsync(target_.folder());
    }

    void removeTemporary()
    {
        if (temporary_.isEmpty())
            return;
        ::unlinkat(target_.folder(), temporary_.constData(), 0);
        temporary_.clear();
        files_.unfinished_.erase(this);
    }

private:
    // A system call per line would cost more than the rest of an export.
    static constexpr qsizetype bytesHandedOverTogether = 64 * 1024;

    ReplacingOutputFiles& files_;
    SaveTarget target_;
    QByteArray waiting_;
    QByteArray temporary_;
    int fd_ = -1;
};

std::unique_ptr<OutputFile> ReplacingOutputFiles::create(const QByteArray& path)
{
    return std::make_unique<ReplacingOutputFile>(*this, SaveTarget(path));
}

void ReplacingOutputFiles::removeUnfinished()
{
    while (!unfinished_.empty())
        (*unfinished_.begin())->removeTemporary();
}

} // namespace ferrowax
