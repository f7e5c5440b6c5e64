#include "save_target.h"

#include "failure.h"
#include "path_parts.h"
#include "regular_file.h"

#include <cerrno>
#include <climits>

#include <fcntl.h>
#include <unistd.h>

namespace ferrowax {

namespace {

// Linux's own limit on the links of one lookup.
constexpr int linksFollowedAtMost = 40;

// Every link of a chain is followed, so that the file at its end is replaced
// and each link keeps naming it.
QByteArray endOfChain(QByteArray path)
{
    // The system counts the links inside the folders of each link too; its
    // verdict on the whole chain comes first.
    if (const FileDescriptor probe(::open(path.constData(), O_PATH | O_CLOEXEC)); probe.get() < 0 && errno == ELOOP)
        throw Failure::fromErrno(ELOOP);
    for (int followed = 0;; ++followed) {
        char target[PATH_MAX];
        const ssize_t size = ::readlink(path.constData(), target, sizeof target);
        if (size < 0)
            return path; // not a link, or nothing there yet
        // A chain that became a loop after the system was asked.
        if (followed == linksFollowedAtMost)
            throw Failure::fromErrno(ELOOP);
        const QByteArray next(target, size);
        path = next.startsWith('/') ? next : folderOf(path) + '/' + next;
    }
}

} // namespace

SaveTarget::SaveTarget(const QByteArray& path)
    : folder_(-1)
{
    const QByteArray target = endOfChain(path);
    folder_ = FileDescriptor(::open(folderOf(target).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder_.get() < 0)
        throw Failure::fromErrno(errno);
    name_ = nameOf(target);
    nameMax_ = ::fpathconf(folder_.get(), _PC_NAME_MAX);
    if (nameMax_ <= 0)
        nameMax_ = NAME_MAX;
    // Before anything is written, not at the rename that ends the save.
    if (name_.size() > nameMax_)
        throw Failure::fromErrno(ENAMETOOLONG);

    struct stat existing {};
    if (::fstatat(folder_.get(), name_.constData(), &existing, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != ENOENT)
            throw Failure::fromErrno(errno);
        return;
    }
    if (S_ISDIR(existing.st_mode))
        throw Failure::fromErrno(EISDIR);
    if (!S_ISREG(existing.st_mode))
        throw NotARegularFile(target);
    // A new file put in its place needs only a folder that takes it; the
    // user's own protection of the file is honoured as a write honours it.
    if (::faccessat(folder_.get(), name_.constData(), W_OK, AT_EACCESS | AT_SYMLINK_NOFOLLOW) != 0)
        throw Failure::fromErrno(errno);
    existing_ = existing;
}

} // namespace ferrowax
