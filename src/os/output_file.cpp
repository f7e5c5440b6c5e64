#include "output_file.h"

#include "failure.h"
#include "in_place_output_file.h"
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

// Answers -1 and leaves errno when the folder takes no new file.
int createTemporary(const SaveTarget& target, QByteArray& name)
{
    for (int attempt = 0;; ++attempt) {
        name = temporaryNameFor(target.name(), target.nameMax());
        const int fd = ::openat(target.folder(), name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0 || errno != EEXIST || attempt == 100)
            return fd;
    }
}

} // namespace

// Works relative to its folder, opened once: a folder renamed or moved in
// the middle of a save still gets the file, and nothing is left behind.
class ReplacingOutputFile final : public OutputFile {
public:
    ReplacingOutputFile(ReplacingOutputFiles& files, SaveTarget target, QByteArray temporary, int fd)
        : files_(files)
        , target_(std::move(target))
        , temporary_(std::move(temporary))
        , fd_(fd)
    {
        {
            const std::lock_guard lock(files_.mutex_);
            files_.unfinished_.insert(this);
        }
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
        {
            const std::lock_guard lock(files_.mutex_);
            files_.unfinished_.erase(this);
        }
        temporary_.clear();
        // The new name is saved only once it is on the disk too. A file
        // system that cannot sync folders says so with EINVAL.
        if (::fsync(target_.folder()) != 0 && errno != EINVAL)
            throw Failure::fromErrno(errno);
    }

    void removeTemporary()
    {
        if (temporary_.isEmpty())
            return;
        {
            const std::lock_guard lock(files_.mutex_);
            files_.unfinished_.erase(this);
        }
        unlinkTemporary();
        temporary_.clear();
    }

    void unlinkTemporary() const { ::unlinkat(target_.folder(), temporary_.constData(), 0); }

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
    SaveTarget target(path);
    QByteArray temporary;
    const int fd = createTemporary(target, temporary);
    if (fd >= 0)
        return std::make_unique<ReplacingOutputFile>(*this, std::move(target), std::move(temporary), fd);
    // A folder the user may not add to can still hold a file the user may
    // write.
    if ((errno == EACCES || errno == EPERM) && target.existing())
        return openInPlace(target);
    throw Failure::fromErrno(errno);
}

void ReplacingOutputFiles::removeUnfinished()
{
    const std::lock_guard lock(mutex_);
    for (const ReplacingOutputFile* file : unfinished_)
        file->unlinkTemporary();
}

} // namespace ferrowax
