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

QByteArray absoluteFolderPath(const QByteArray& path)
{
    if (path.startsWith('/'))
        return withoutTrailingSeparator(path);
    return withoutTrailingSeparator(joinPath(QFile::encodeName(QDir::currentPath()), path));
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

// Kernels from 5.8 say directly whether a path is the root of a mount; older
// ones are asked whether it sits on another device than its parent.
bool isMountTop(const QByteArray& path, const struct statx& folderStat)
{
    if ((folderStat.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0)
        return (folderStat.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
    struct stat parentStat {};
    return ::stat(joinPath(path, "..").constData(), &parentStat) == 0
        && (parentStat.st_dev != makedev(folderStat.stx_dev_major, folderStat.stx_dev_minor));
}

MountFacts factsAboutMountTop(const QByteArray& path)
{
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
Kind kindOf(int folderFd, const dirent& entry, EntryTypes types)
{
    struct stat st {};
    const unsigned char type = types == EntryTypes::Unknown ? static_cast<unsigned char>(DT_UNKNOWN) : entry.d_type;
    switch (type) {
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

PosixFileSystem::Entries readEntries(const QByteArray& folderPath, EntryTypes types)
{
    PosixFileSystem::Entries entries;
    entries.folderPath = withoutTrailingSeparator(folderPath);
    readFolder(folderPath, [&](int fd, const dirent& entry) {
        switch (kindOf(fd, entry, types)) {
        case Kind::File:
            entries.files.emplace_back(entry.d_name);
            break;
        case Kind::Folder:
            entries.folders.emplace_back(entry.d_name);
            break;
        case Kind::Other:
            entries.others.emplace_back(entry.d_name);
            break;
        }
    });
    return entries;
}

} // namespace

PosixFileSystem::PosixFileSystem(EntryTypes entryTypes)
    : entryTypes_(entryTypes)
{
}

Folder PosixFileSystem::getFolder(const QByteArray& path) const
{
    if (path.isEmpty())
        throw Failure::fromErrno(ENOENT);
    const QByteArray folderPath = absoluteFolderPath(path);
    struct statx st {};
    if (::statx(AT_FDCWD, folderPath.constData(), 0, STATX_TYPE, &st) != 0)
        throw Failure::fromErrno(errno);
    if (!S_ISDIR(st.stx_mode))
        throw Failure::fromErrno(ENOTDIR);

    int attributes = Attribute::Directory;
    const QByteArray name = baseName(folderPath);
    if (name.startsWith('.') && name != "." && name != "..")
        attributes |= Attribute::Hidden;
    if (folderPath == "/")
        return Folder(*this, folderPath, attributes, true);

    if (!isMountTop(folderPath, st))
        return Folder(*this, folderPath, attributes, false);
    const MountFacts mount = factsAboutMountTop(folderPath);
    if (mount.isVirtual)
        attributes = Attribute::Directory | Attribute::System | Attribute::Hidden;
    return Folder(*this, folderPath, attributes, mount.isStorageDevice);
}

FolderListing PosixFileSystem::listFolder(const QByteArray& folderPath) const
{
    std::optional<Entries> entries;
    entries.swap(lastNamesRead_);
    if (!entries || entries->folderPath != withoutTrailingSeparator(folderPath))
        entries = readEntries(folderPath, entryTypes_);
    return {itemsOf(folderPath, std::move(entries->files)), itemsOf(folderPath, std::move(entries->folders))};
}

std::vector<QByteArray> PosixFileSystem::listFileNames(const QByteArray& folderPath) const
{
    lastNamesRead_.reset();
    Entries entries = readEntries(folderPath, entryTypes_);
    std::vector<QByteArray> names = entries.files;
    names.insert(names.end(), entries.others.begin(), entries.others.end());
    lastNamesRead_ = std::move(entries);
    return names;
}

QDateTime PosixFileSystem::lastModified(const QByteArray& path) const
{
    struct stat st {};
    if (::stat(path.constData(), &st) != 0)
        throw Failure::fromErrno(errno);
    return QDateTime::fromSecsSinceEpoch(st.st_mtim.tv_sec);
}

bool PosixFileSystem::isNormalFile(const QByteArray& path) const
{
    struct stat st {};
    if (::stat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    const QByteArray name = baseName(path);
    if (name.startsWith('.'))
        return false;
    try {
        const QByteArray folder = path.left(path.lastIndexOf('/') + 1);
        return !readFile(folder + ".hidden").split('\n').contains(name);
    } catch (const Failure&) {
        return true; // no list of hidden names
    }
}

QByteArray PosixFileSystem::readFile(const QByteArray& path) const
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw Failure::fromErrno(errno);
    QByteArray content;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            const int error = errno;
            ::close(fd);
            throw Failure::fromErrno(error);
        }
        if (got == 0)
            break;
        content.append(buffer, got);
    }
    ::close(fd);
    return content;
}

} // namespace ferrowax
