#pragma once

#include <utility>

#include <unistd.h>

namespace ferrowax {

// An open file descriptor, closed when it goes; -1 holds none.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd)
        : fd_(fd)
    {
    }
    ~FileDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(FileDescriptor&& other) noexcept
        : fd_(std::exchange(other.fd_, -1))
    {
    }
    FileDescriptor& operator=(FileDescriptor&& other) noexcept
    {
        std::swap(fd_, other.fd_);
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }
    // Hands the descriptor over, to be closed by the caller.
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

} // namespace ferrowax
