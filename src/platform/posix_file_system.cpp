#include "posix_file_system.h"

#include "failure.h"
#include "listing_order.h"
#include "mount_table.h"

#include <QDir>
#include <QFile>

#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
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

QByteArray absoluteFolderPath(const QByteArray& path)
{
    QByteArray absolute = path;
    if (!absolute.startsWith('/'))
        absolute = joinPath(QFile::encodeName(QDir::currentPath()), absolute);
    while (absolute.size() > 1 && absolute.endsWith('/'))
        absolute.chop(1);
    return absolute;
}

QByteArray baseName(const QByteArray& path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

QByteArray canonical(const QByteArray& path)
{
    char resolved[PATH_MAX];
    if (::realpath(path.constData(), resolved) == nullptr)
        return path;
    return QByteArray(resolved);
}

// Where the folder is the top of a mount, the mount table tells what it is.
struct MountFacts {
    bool isVirtual = false;
    bool isStorageDevice = false;
};

MountFacts factsAboutMountTop(const QByteArray& path, const struct stat& folderStat)
{
    struct stat parentStat {};
    if (::stat(joinPath(path, "..").constData(), &parentStat) != 0 || parentStat.st_dev == folderStat.st_dev)
        return {};
    const std::optional<Mount> mount = findMount(canonical(path));
    if (!mount)
        return {};
    struct stat sourceStat {};
    const bool fromDevice = ::stat(mount->source.constData(), &sourceStat) == 0 && S_ISBLK(sourceStat.st_mode);
    return {isVirtualFileSystem(mount->fileSystemType), fromDevice};
}

enum class Kind { File, Folder, Other };

// Links to files count as files; links to folders are never entered, so the
// walk can neither loop nor list a tree twice.
Kind kindOf(int folderFd, const dirent& entry)
{
    struct stat st {};
    switch (entry.d_type) {
    case DT_REG:
        return Kind::File;
    case DT_DIR:
        return Kind::Folder;
    case DT_LNK:
        if (::fstatat(folderFd, entry.d_name, &st, 0) == 0 && S_ISREG(st.st_mode))
            return Kind::File;
        return Kind::Other;
    case DT_UNKNOWN:
        if (::fstatat(folderFd, entry.d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            return Kind::Other;
        if (S_ISDIR(st.st_mode))
            return Kind::Folder;
        if (S_ISREG(st.st_mode))
            return Kind::File;
        if (S_ISLNK(st.st_mode) && ::fstatat(folderFd, entry.d_name, &st, 0) == 0 && S_ISREG(st.st_mode))
            return Kind::File;
        return Kind::Other;
    default:
        return Kind::Other;
    }
}

bool isDotOrDotDot(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Calls `visit(fd, entry)` for every entry but "." and "..".
template <class Visit>
void readFolder(const QByteArray& folderPath, Visit&& visit)
{
    DIR* folder = ::opendir(folderPath.constData());
    if (folder == nullptr)
        throw Failure::fromErrno(errno);
    const int fd = ::dirfd(folder);
    int readError = 0;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(folder);
        if (entry == nullptr) {
            readError = errno;
            break;
        }
        if (!isDotOrDotDot(entry->d_name))
            visit(fd, *entry);
    }
    ::closedir(folder);
    if (readError != 0)
        throw Failure::fromErrno(readError);
}

std::vector<FolderItem> itemsOf(const QByteArray& folderPath, std::vector<QByteArray> names)
{
    sortForListing(names);
    std::vector<FolderItem> items;
    items.reserve(names.size());
    for (QByteArray& name : names)
        items.emplace_back(folderPath, std::move(name));
    return items;
}

} // namespace

Folder PosixFileSystem::getFolder(const QByteArray& path) const
{
    if (path.isEmpty())
        throw Failure::fromErrno(ENOENT);
    const QByteArray folderPath = absoluteFolderPath(path);
    struct stat st {};
    if (::stat(folderPath.constData(), &st) != 0)
        throw Failure::fromErrno(errno);
    if (!S_ISDIR(st.st_mode))
        throw Failure::fromErrno(ENOTDIR);

    int attributes = Attribute::Directory;
    const QByteArray name = baseName(folderPath);
    if (name.startsWith('.') && name != "." && name != "..")
        attributes |= Attribute::Hidden;
    if (folderPath == "/")
        return Folder(*this, folderPath, attributes, true);

    const MountFacts mount = factsAboutMountTop(folderPath, st);
    if (mount.isVirtual)
        attributes = Attribute::Directory | Attribute::System | Attribute::Hidden;
    return Folder(*this, folderPath, attributes, mount.isStorageDevice);
}

FolderListing PosixFileSystem::listFolder(const QByteArray& folderPath) const
{
    std::vector<QByteArray> fileNames;
    std::vector<QByteArray> folderNames;
    readFolder(folderPath, [&](int fd, const dirent& entry) {
        switch (kindOf(fd, entry)) {
        case Kind::File:
            fileNames.emplace_back(entry.d_name);
            break;
        case Kind::Folder:
            folderNames.emplace_back(entry.d_name);
            break;
        case Kind::Other:
            break;
        }
    });
    return {itemsOf(folderPath, std::move(fileNames)), itemsOf(folderPath, std::move(folderNames))};
}

std::vector<QByteArray> PosixFileSystem::listFileNames(const QByteArray& folderPath) const
{
    std::vector<QByteArray> names;
    readFolder(folderPath, [&](int fd, const dirent& entry) {
        struct stat st {};
        const bool isFolder = entry.d_type == DT_DIR
            || (entry.d_type == DT_UNKNOWN && ::fstatat(fd, entry.d_name, &st, AT_SYMLINK_NOFOLLOW) == 0
                && S_ISDIR(st.st_mode));
        if (!isFolder)
            names.emplace_back(entry.d_name);
    });
    return names;
}

QDateTime PosixFileSystem::lastModified(const QByteArray& path) const
{
    struct stat st {};
    if (::stat(path.constData(), &st) != 0)
        throw Failure::fromErrno(errno);
    return QDateTime::fromSecsSinceEpoch(st.st_mtim.tv_sec);
}

} // namespace ferrowax
