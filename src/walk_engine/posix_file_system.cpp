#include "posix_file_system.h"

#include "folder_facts.h"
#include "os/failure.h"
#include "os/path_parts.h"
#include "os/regular_file.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ferrowax {

namespace {

// Runs `read`; a failure it throws names the folder at `path`.
template <class Read>
auto concerning(const QByteArray& path, Read&& read) -> decltype(read())
{
    try {
        return read();
    } catch (const Failure& failure) {
        throw failure.concerning(path);
    }
}

} // namespace

PosixFileSystem::PosixFileSystem(EventPump& walkPump, WalkLimits limits)
    : readAhead_(readFolder, walkPump, std::move(limits))
{
}

PosixFileSystem::PosixFileSystem(EventPump& walkPump, ReadFolder readWalkedFolder, WalkLimits limits)
    : readAhead_(std::move(readWalkedFolder), walkPump, std::move(limits))
{
}

void PosixFileSystem::readAheadFrom(const QByteArray& root) const
{
    readAhead_.start(root);
}

void PosixFileSystem::stopReadingAhead() const
{
    readAhead_.stop();
}

bool PosixFileSystem::folderReady(const QByteArray& path) const
{
    return readAhead_.ready(path);
}

int PosixFileSystem::foldersOutsideThePlan() const
{
    return readAhead_.foldersOutsideThePlan();
}

Folder PosixFileSystem::getFolder(const QByteArray& path) const
{
    // Outside a walk: listed when asked, never from what was read for it.
    FolderFacts facts = concerning(path, [&] { return readFolderFacts(path); });
    return Folder(*this, std::move(facts.path), facts.attributes, facts.isRootFolder);
}

Folder PosixFileSystem::takeWalkedFolder(const QByteArray& path) const
{
    openedListing_.reset();
    openedListingFailure_.reset();
    if (!readAhead_.holdsNext(path)) {
        Folder folder = getFolder(path);
        openedPath_ = folder.path();
        return folder;
    }
    FolderReading reading = readAhead_.take();
    // Below the top, the path as the walk named it, copied into room kept
    // from the folder before: a deep walk's paths are long.
    const QByteArray& named = reading.facts.path.isEmpty() ? path : reading.facts.path;
    openedPath_.resize(named.size());
    std::copy(named.begin(), named.end(), openedPath_.begin());
    if (reading.factsFailure) {
        openedPath_.resize(0);
        throw reading.factsFailure->concerning(path);
    }
    openedListing_ = std::move(reading.listing);
    openedListingFailure_ = std::move(reading.listingFailure);
    return Folder(*this, openedPath_, reading.facts.attributes, reading.facts.isRootFolder);
}

std::shared_ptr<const FolderListing> PosixFileSystem::listFolder(const QByteArray& folderPath) const
{
    QByteArrayView asked(folderPath);
    if (asked.endsWith('/') && !openedPath_.endsWith('/'))
        asked.chop(1);
    const bool opened = !openedPath_.isEmpty() && asked == openedPath_;
    if (opened && openedListingFailure_)
        throw openedListingFailure_->concerning(folderPath);
    if (opened && openedListing_)
        return openedListing_;
    std::shared_ptr<const FolderListing> listing
        = concerning(folderPath, [&] { return readFolderListing(folderPath); });
    if (opened)
        openedListing_ = listing;
    return listing;
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
    const QByteArray name = nameOf(path);
    if (name.startsWith('.'))
        return false;
    QByteArray hiddenNames;
    try {
        hiddenNames = readFile(joinPath(folderOf(path), ".hidden"));
    } catch (const FileTooLarge&) {
        throw;
    } catch (const Failure&) {
        return true; // no list of hidden names
    }
    return !hiddenNames.split('\n').contains(name);
}

QByteArray PosixFileSystem::readFile(const QByteArray& path) const
{
    return readRegularFile(path);
}

} // namespace ferrowax
