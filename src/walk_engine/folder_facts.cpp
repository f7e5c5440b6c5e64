#include "folder_facts.h"

#include "os/failure.h"
#include "os/path_parts.h"
#include "file_system.h"
#include "mount_table.h"

#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace ferrowax {

namespace {

// Kernel file systems whose top folder is skipped like a protected OS folder.
constexpr std::array virtualFileSystems{
    "proc", "sysfs", "devtmpfs", "devpts", "cgroup", "cgroup2", "securityfs", "debugfs", "tracefs", "pstore",
    "bpf", "configfs", "efivarfs", "mqueue", "hugetlbfs", "fusectl", "binfmt_misc", "autofs", "nsfs",
};

bool isVirtualFileSystem(const QByteArray& type)
{
    for (const char* name : virtualFileSystems) {
        if (type == name)
            return true;
    }
    return false;
}

QByteArray withoutTrailingSeparator(QByteArray path)
{
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    return path;
}

// Where the system names the folder `name` in `at`, links resolved.
QByteArray systemPath(int at, const QByteArray& name)
{
    char resolved[PATH_MAX];
    if (at == AT_FDCWD)
        return ::realpath(name.constData(), resolved) != nullptr ? QByteArray(resolved) : name;
    const QByteArray link = "/proc/self/fd/" + QByteArray::number(at);
    const ssize_t size = ::readlink(link.constData(), resolved, sizeof resolved);
    return size > 0 && static_cast<std::size_t>(size) < sizeof resolved ? joinPath(QByteArray(resolved, size), name)
                                                                       : QByteArray();
}

// Where the folder is the top of a mount, the mount table tells what it is.
struct MountFacts {
    bool isVirtual = false;
    bool isStorageDevice = false;
};

// Kernels from 5.8 say directly whether a folder is the root of a mount;
// older ones are asked whether it sits on another device than its parent.
bool isMountTop(int at, const QByteArray& name, const struct statx& folderStat)
{
    if ((folderStat.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0)
        return (folderStat.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
    struct stat parentStat {};
    return ::fstatat(at, joinPath(name, "..").constData(), &parentStat, 0) == 0
        && (parentStat.st_dev != makedev(folderStat.stx_dev_major, folderStat.stx_dev_minor));
}

MountFacts factsAboutMountTop(int at, const QByteArray& name, const struct statx& folderStat)
{
    const std::optional<Mount> mount = (folderStat.stx_mask & STATX_MNT_ID) != 0
        ? findMountById(folderStat.stx_mnt_id)
        : findMount(systemPath(at, name));
    if (!mount)
        return {};
    struct stat sourceStat {};
    const bool fromDevice = ::stat(mount->source.constData(), &sourceStat) == 0 && S_ISBLK(sourceStat.st_mode);
    return {isVirtualFileSystem(mount->fileSystemType), fromDevice};
}

} // namespace

QByteArray absoluteFolderPath(const QByteArray& path)
{
    if (path.startsWith('/'))
        return withoutTrailingSeparator(path);
    return withoutTrailingSeparator(joinPath(currentFolderPath(), path));
}

bool walkEnters(const FolderFacts& facts)
{
    constexpr int protectedSystemFolder = Attribute::Directory | Attribute::System | Attribute::Hidden;
    return facts.attributes != protectedSystemFolder || facts.isRootFolder;
}

FolderFacts readFolderFacts(const QByteArray& path)
{
    if (path.isEmpty())
        throw Failure::fromErrno(ENOENT);
    const QByteArray absolute = absoluteFolderPath(path);
    struct statx st {};
    if (::statx(AT_FDCWD, absolute.constData(), 0, folderFactsMask, &st) != 0)
        throw Failure::fromErrno(errno);
    return folderFactsFrom(AT_FDCWD, absolute, st);
}

FolderFacts folderFactsFrom(int at, const QByteArray& name, const struct statx& st)
{
    if (!S_ISDIR(st.stx_mode))
        throw Failure::fromErrno(ENOTDIR);
    FolderFacts facts{at == AT_FDCWD ? name : QByteArray(), Attribute::Directory, false,
        {makedev(st.stx_dev_major, st.stx_dev_minor), st.stx_ino}};

    const QByteArray ownName = nameOf(name);
    if (ownName.startsWith('.') && ownName != "." && ownName != "..")
        facts.attributes |= Attribute::Hidden;
    if (at == AT_FDCWD && name == "/") {
        facts.isRootFolder = true;
        return facts;
    }
    if (!isMountTop(at, name, st))
        return facts;
    const MountFacts mount = factsAboutMountTop(at, name, st);
    if (mount.isVirtual)
        facts.attributes = Attribute::Directory | Attribute::System | Attribute::Hidden;
    facts.isRootFolder = mount.isStorageDevice;
    return facts;
}

} // namespace ferrowax
