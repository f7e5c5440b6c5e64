#include "output_file.h"

#include "failure.h"
#include "regular_file.h"

#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ferrowax {

namespace {

QByteArray folderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
}

// The file a save to `path` lands in: a link is followed, so that it keeps
// naming the saved file.
QByteArray targetOf(const QByteArray& path)
{
    const QFileInfo info(QFile::decodeName(path));
    return info.isSymLink() ? QFile::encodeName(info.symLinkTarget()) : path;
}

void syncFolder(const QByteArray& folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

class ReplacingOutputFile final : public OutputFile {
public:
    ReplacingOutputFile(ReplacingOutputFiles& files, QByteArray target)
        : files_(files)
        , target_(std::move(target))
    {
        struct stat existing {};
        const bool exists = ::stat(target_.constData(), &existing) == 0;
        if (exists && S_ISDIR(existing.st_mode))
            throw Failure::fromErrno(EISDIR);
        if (exists && !S_ISREG(existing.st_mode))
            throw NotARegularFile(target_);

        const QByteArray stem = folderOf(target_) + "/." + target_.mid(target_.lastIndexOf('/') + 1) + ".ferrowax-";
        for (int attempt = 0; fd_ < 0; ++attempt) {
            temporary_ = stem + QByteArray::number(QRandomGenerator::global()->generate(), 36);
            fd_ = ::open(temporary_.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ < 0 && (errno != EEXIST || attempt == 100))
                throw Failure::fromErrno(errno);
        }
        files_.unfinished_.insert(temporary_);
        // The new file takes the old one's place: it keeps its permissions
        // and, where allowed, its owner.
        if (exists) {
            ::fchmod(fd_, existing.st_mode & 07777);
            [[maybe_unused]] const int owned = ::fchown(fd_, existing.st_uid, existing.st_gid);
        }
    }

    ~ReplacingOutputFile() override
    {
        if (fd_ >= 0)
            ::close(fd_);
        if (!temporary_.isEmpty()) {
            ::unlink(temporary_.constData());
            forget();
        }
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
        if (::rename(temporary_.constData(), target_.constData()) != 0)
            throw Failure::fromErrno(errno);
        forget();
        temporary_.clear();
        syncFolder(folderOf(target_));
    }

private:
    void forget() { files_.unfinished_.erase(temporary_); }

    // A system call per line would cost more than the rest of an export.
    static constexpr qsizetype bytesHandedOverTogether = 64 * 1024;

    ReplacingOutputFiles& files_;
    QByteArray waiting_;
    QByteArray target_;
    QByteArray temporary_;
    int fd_ = -1;
};

std::unique_ptr<OutputFile> ReplacingOutputFiles::create(const QByteArray& path)
{
    return std::make_unique<ReplacingOutputFile>(*this, targetOf(path));
}

void ReplacingOutputFiles::removeUnfinished()
{
    for (const QByteArray& file : unfinished_)
        ::unlink(file.constData());
    unfinished_.clear();
}

} // namespace ferrowax
