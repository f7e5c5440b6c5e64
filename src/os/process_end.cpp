#include "process_end.h"

#include <cstdio>
#include <cstdlib>

#include <dirent.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ferrowax {

namespace {

// A thread waiting in the kernel on a dead network share cannot be killed,
// and the process is not reaped, nor its descriptors closed, until the wait
// ends. Its display connection would keep the window on screen, frozen, all
// that time; shutting every socket down ends the connections now.
void shutDownSockets()
{
    DIR* descriptors = ::opendir("/proc/self/fd");
    if (descriptors == nullptr)
        return;
    while (const dirent* entry = ::readdir(descriptors)) {
        const int fd = std::atoi(entry->d_name);
        struct stat st {};
        if (fd != ::dirfd(descriptors) && ::fstat(fd, &st) == 0 && S_ISSOCK(st.st_mode))
            ::shutdown(fd, SHUT_RDWR);
    }
    ::closedir(descriptors);
}

} // namespace

void ImmediateProcessEnd::atEnd(std::function<void()> cleanUp)
{
    cleanUps_.push_back(std::move(cleanUp));
}

void ImmediateProcessEnd::endNow()
{
    // What the program printed is not lost; nothing else runs.
    std::fflush(nullptr);
    // The window goes first, for a clean-up may wait on a disk.
    shutDownSockets();
    for (const auto& cleanUp : cleanUps_)
        cleanUp();
    ::_exit(0);
}

} // namespace ferrowax
