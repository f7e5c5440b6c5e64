#include "output_file.h"

#include "extended_attributes.h"
#include "failure.h"
#include "file_descriptor.h"
#include "in_place_output_file.h"
#include "save_target.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ferrowax {

namespace {

constexpr char temporaryMark[] = ".ferrowax-";

// A name beside `name` that no user would pick, within the file system's
// limit on names however long `name` is.
QByteArray temporaryNameFor(const QByteArray& name, long nameMax)
{
    const QByteArray suffix = temporaryMark + QByteArray::number(QRandomGenerator::global()->generate(), 36);
    return '.' + name.left(std::max<qsizetype>(1, nameMax - 1 - suffix.size())) + suffix;
}

// A name temporaryNameFor gives for the target's name, its start cut short
// where the whole would be longer than the file system takes.
bool isTemporaryOf(const QByteArray& entry, const SaveTarget& target)
{
    const qsizetype mark = entry.lastIndexOf(temporaryMark);
    if (!entry.startsWith('.') || mark < 2)
        return false;
    const QByteArray random = entry.mid(mark + qsizetype(sizeof temporaryMark) - 1);
    if (random.isEmpty() || !std::all_of(random.begin(), random.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'); }))
        return false;
    const QByteArray start = entry.mid(1, mark - 1);
    return start == target.name() || (entry.size() == target.nameMax() && target.name().startsWith(start));
}

// A save killed where the file system takes no unnamed file leaves its
// temporary; the next save there removes it. One still being written is
// locked by its save and left alone.
void removeLeftovers(const SaveTarget& target)
{
    DIR* folder = ::fdopendir(::openat(target.folder(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder == nullptr)
        return;
    while (const dirent* entry = ::readdir(folder)) {
        if (!isTemporaryOf(entry->d_name, target))
            continue;
        const FileDescriptor leftover(
            ::openat(target.folder(), entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        struct stat status {};
        if (leftover.get() >= 0 && ::fstat(leftover.get(), &status) == 0 && S_ISREG(status.st_mode)
            && ::flock(leftover.get(), LOCK_EX | LOCK_NB) == 0)
            ::unlinkat(target.folder(), entry->d_name, 0);
    }
    ::closedir(folder);
}

// The new file, unnamed where the file system allows, so that a save killed
// half way leaves nothing behind; else under a temporary name, locked while
// it is written. Answers -1 and leaves errno when the folder takes no new
// file.
int createTemporary(const SaveTarget& target, QByteArray& name)
{
    name.clear();
    const int unnamed = ::openat(target.folder(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (unnamed >= 0 || (errno != EOPNOTSUPP && errno != EISDIR))
        return unnamed;
    for (int attempt = 0;; ++attempt) {
        name = temporaryNameFor(target.name(), target.nameMax());
        const int fd = ::openat(target.folder(), name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0)
            ::flock(fd, LOCK_EX | LOCK_NB);
        if (fd >= 0 || errno != EEXIST || attempt == 100)
            return fd;
    }
}

// Gives the unnamed file `fd` a temporary name beside the target, to be
// renamed over it: a link cannot replace a name. Answers the name.
QByteArray linkUnnamed(int fd, const SaveTarget& target)
{
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
    for (int attempt = 0;; ++attempt) {
        const QByteArray name = temporaryNameFor(target.name(), target.nameMax());
        if (::linkat(AT_FDCWD, self.constData(), target.folder(), name.constData(), AT_SYMLINK_FOLLOW) == 0)
            return name;
        if (errno != EEXIST || attempt == 100)
            throw Failure::fromErrno(errno);
    }
}

// The new file takes the old one's place: it keeps its owner where allowed,
// then its permissions, as a change of owner clears the set-user-ID and
// set-group-ID bits, then its access list and other attributes. Answers
// false when those cannot be carried.
bool takesTheOldOnesPlace(int fd, const SaveTarget& target)
{
    const std::optional<struct stat>& existing = target.existing();
    if (!existing)
        return true;
    [[maybe_unused]] const int owned = ::fchown(fd, existing->st_uid, existing->st_gid);
    ::fchmod(fd, existing->st_mode & 07777);
    return carryAttributes(target.folder(), target.name(), fd);
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
        const std::lock_guard lock(files_.mutex_);
        files_.unfinished_.insert(this);
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
        if (temporary_.isEmpty()) {
            try {
                QByteArray linked = linkUnnamed(fd, target_);
                const std::lock_guard lock(files_.mutex_);
                temporary_ = std::move(linked);
            } catch (const Failure&) {
                ::close(fd);
                throw;
            }
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

    // An unnamed one goes with its descriptor.
    void removeTemporary()
    {
        const std::lock_guard lock(files_.mutex_);
        files_.unfinished_.erase(this);
        unlinkTemporary();
        temporary_.clear();
    }

    void unlinkTemporary() const
    {
        if (!temporary_.isEmpty())
            ::unlinkat(target_.folder(), temporary_.constData(), 0);
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
    SaveTarget target(path);
    removeLeftovers(target);
    QByteArray temporary;
    FileDescriptor fd(createTemporary(target, temporary));
    if (fd.get() >= 0 && takesTheOldOnesPlace(fd.get(), target))
        return std::make_unique<ReplacingOutputFile>(*this, std::move(target), std::move(temporary), fd.release());
    // A folder the user may not add to can still hold a file the user may
    // write; so can one whose new file cannot protect it as the old one did.
    if (fd.get() >= 0) {
        if (!temporary.isEmpty())
            ::unlinkat(target.folder(), temporary.constData(), 0);
        return openInPlace(target);
    }
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
