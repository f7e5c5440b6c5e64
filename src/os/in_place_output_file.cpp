#include "in_place_output_file.h"

#include "failure.h"
#include "file_descriptor.h"
#include "regular_file.h"
#include "save_target.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ferrowax {

namespace {

// Without fallocate, as on NFS, a byte written into each block past the
// old end makes the file system find room for it. Answers an errno value.
int writeIntoNewBlocks(int fd, off_t oldSize, off_t size)
{
    constexpr off_t block = 4096;
    for (off_t offset = size - 1; offset >= oldSize; offset -= block) {
        if (::pwrite(fd, "", 1, offset) != 1)
            return errno;
    }
    return 0;
}

// Makes room for `size` bytes before the first old byte is overwritten, so
// that a full disk leaves the old file whole.
void reserve(int fd, off_t size, off_t oldSize)
{
    if (size == 0 || ::fallocate(fd, 0, 0, size) == 0)
        return;
    int error = errno;
    if (error == EOPNOTSUPP)
        error = writeIntoNewBlocks(fd, oldSize, size);
    if (error == 0)
        return;
    // Room found only in part may have lengthened the file.
    struct stat now {};
    if (::fstat(fd, &now) == 0 && now.st_size != oldSize)
        [[maybe_unused]] const int restored = ::ftruncate(fd, oldSize);
    throw Failure::fromErrno(error);
}

void writeAll(int fd, QByteArrayView bytes)
{
    off_t offset = 0;
    while (offset < bytes.size()) {
        const ssize_t written = ::pwrite(fd, bytes.data() + offset, static_cast<std::size_t>(bytes.size() - offset), offset);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            throw Failure::fromErrno(errno);
        offset += written;
    }
}

class InPlaceOutputFile final : public OutputFile {
public:
    explicit InPlaceOutputFile(const SaveTarget& target)
        : file_(::openat(target.folder(), target.name().constData(),
              O_WRONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC))
    {
        if (file_.get() < 0)
            throw Failure::fromErrno(errno);
        // The name may have gone to something else since it was looked at.
        struct stat status {};
        if (::fstat(file_.get(), &status) != 0)
            throw Failure::fromErrno(errno);
        if (!S_ISREG(status.st_mode))
            throw NotARegularFile(target.name());
        if (::fcntl(file_.get(), F_SETFL, 0) != 0)
            throw Failure::fromErrno(errno);
    }

    void write(QByteArrayView bytes) override
    {
        if (file_.get() < 0)
            throw Failure::fromErrno(EBADF);
        text_.append(bytes);
    }

    void flush() override {}

    void close() override
    {
        FileDescriptor file = std::move(file_);
        if (file.get() < 0)
            throw Failure::fromErrno(EBADF);
        struct stat old {};
        if (::fstat(file.get(), &old) != 0)
            throw Failure::fromErrno(errno);
        reserve(file.get(), text_.size(), old.st_size);
        writeAll(file.get(), text_);
        if (::ftruncate(file.get(), text_.size()) != 0 || ::fsync(file.get()) != 0)
            throw Failure::fromErrno(errno);
        if (::close(file.release()) != 0)
            throw Failure::fromErrno(errno);
    }

private:
    FileDescriptor file_;
    QByteArray text_;
};

} // namespace

std::unique_ptr<OutputFile> openInPlace(const SaveTarget& target)
{
    return std::make_unique<InPlaceOutputFile>(target);
}

} // namespace ferrowax
