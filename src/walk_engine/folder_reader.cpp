#include "folder_reader.h"

#include "folder_descriptors.h"
#include "os/path_parts.h"

#include <cerrno>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace ferrowax {

namespace {

using Kind = FolderListing::Kind;

// Room for a few thousand entries per call: most folders take one call, and
// one more that says the folder is done.
constexpr std::size_t readBufferSize = 256 * 1024;

Kind kindOf(int folderFd, const char* name, unsigned char type)
{
    if (type == DT_REG)
        return Kind::File;
    if (type == DT_DIR)
        return Kind::Folder;
    // Only here: filling it in for every entry of a folder would cost more
    // than the entry itself.
    struct stat st {};
    switch (type) {
    case DT_LNK:
        if (::fstatat(folderFd, name, &st, 0) == 0 && S_ISREG(st.st_mode))
            return Kind::File;
        return Kind::Other;
    case DT_UNKNOWN:
        if (::fstatat(folderFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            return Kind::Other;
        if (S_ISDIR(st.st_mode))
            return Kind::Folder;
        if (S_ISREG(st.st_mode))
            return Kind::File;
        if (S_ISLNK(st.st_mode))
            return kindOf(folderFd, name, DT_LNK);
        return Kind::Other;
    default:
        return Kind::Other;
    }
}

constexpr int folderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

int openFolder(const QByteArray& path)
{
    return ::open(path.constData(), folderFlags);
}

bool isDotOrDotDot(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

std::shared_ptr<FolderListing> listOpenFolder(const FileDescriptor& folder)
{
    // Kept between calls: a walk reads tens of thousands of folders.
    thread_local std::vector<char> buffer(readBufferSize);

    auto listing = std::make_shared<FolderListing>();
    for (;;) {
        const ssize_t got = ::getdents64(folder.get(), buffer.data(), buffer.size());
        if (got < 0)
            throw Failure::fromErrno(errno);
        if (got == 0)
            break;
        listing->reserveNames(static_cast<std::size_t>(got));
        for (ssize_t at = 0; at < got;) {
            const auto* entry = reinterpret_cast<const dirent64*>(buffer.data() + at);
            at += entry->d_reclen;
            if (isDotOrDotDot(entry->d_name))
                continue;
            listing->add(kindOf(folder.get(), entry->d_name, entry->d_type), QByteArrayView(entry->d_name));
        }
    }
    listing->sortSubFolders();
    return listing;
}

// The facts of a folder that could not be opened: a folder the user may not
// read still tells them. A top folder may be named through a link.
FolderFacts factsOfUnopened(int at, const QByteArray& name)
{
    struct statx status {};
    const int flags = at == AT_FDCWD ? 0 : AT_SYMLINK_NOFOLLOW;
    if (::statx(at, name.constData(), flags, folderFactsMask, &status) != 0)
        throw Failure::fromErrno(errno);
    return folderFactsFrom(at, name, status);
}

} // namespace

Failure currentFailure() noexcept
{
    try {
        throw;
    } catch (const Failure& failure) {
        return failure;
    } catch (const std::bad_alloc&) {
        return Failure::fromErrno(ENOMEM);
    } catch (const std::exception& error) {
        return Failure(describe(error));
    } catch (...) {
        return Failure(u"Unexpected failure"_s);
    }
}

QByteArray FolderToRead::path() const
{
    return pathOf(above.get(), name);
}

std::shared_ptr<const FolderListing> readFolderListing(const QByteArray& folderPath)
{
    const FileDescriptor folder(openFolder(folderPath));
    if (folder.get() < 0)
        throw Failure::fromErrno(errno);
    std::shared_ptr<FolderListing> listing = listOpenFolder(folder);
    listing->sortFilesAndOthers();
    return listing;
}

FolderReading readFolder(const FolderToRead& folder) noexcept
{
    FolderReading reading;
    std::shared_ptr<FileDescriptor> opened;
    try {
        if (!folder.parent && folder.name.isEmpty())
            throw Failure::fromErrno(ENOENT);
        // A top folder by its path; any other by its name in its parent.
        const int at = folder.parent ? folder.parent->get() : AT_FDCWD;
        const QByteArray name = folder.parent ? folder.name : absoluteFolderPath(folder.name);
        const int fd = ::openat(at, name.constData(), folderFlags | (folder.parent ? O_NOFOLLOW : 0));
        const int openError = errno;
        opened = std::make_shared<FileDescriptor>(fd);
        if (fd < 0) {
            reading.facts = factsOfUnopened(at, name);
            reading.listingFailure = Failure::fromErrno(openError);
            return reading;
        }
        struct statx status {};
        if (::statx(opened->get(), "", AT_EMPTY_PATH, folderFactsMask, &status) != 0)
            throw Failure::fromErrno(errno);
        reading.facts = folderFactsFrom(at, name, status);
    } catch (...) {
        reading.factsFailure = currentFailure();
        return reading;
    }
    if (!walkEnters(reading.facts))
        return reading;
    try {
        reading.listing = listOpenFolder(*opened);
        reading.listing->sortFilesAndOthers();
        if (!reading.listing->subFolders().empty())
            reading.opened = std::move(opened);
    } catch (...) {
        reading.listing.reset();
        reading.listingFailure = currentFailure();
    }
    return reading;
}

} // namespace ferrowax
