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

PosixFileSystem::PosixFileSystem(EventPump& walkPump, EntryTypes entryTypes, WalkLimits limits)
    : entryTypes_(entryTypes)
    , readAhead_([entryTypes](const FolderToRead& folder) { return readFolder(folder, entryTypes); }, walkPump,
          std::move(limits))
{
}

PosixFileSystem::PosixFileSystem(EventPump& walkPump, ReadFolder readWalkedFolder)
    : entryTypes_(EntryTypes::Reported)
    , readAhead_(std::move(readWalkedFolder), walkPump)
{
}

void PosixFileSystem::readAheadFrom(const QByteArray& root) const
{
    readAhead_.start(root);
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
    FolderFacts facts = readFolderFacts(path);
    return Folder(*this, std::move(facts.path), facts.attributes, facts.isRootFolder);
}

Folder PosixFileSystem::takeWalkedFolder(const QByteArray& path) const
{
    openedPath_.clear();
    openedListing_.reset();
    openedListingFailure_.reset();
    if (!readAhead_.holdsNext(path)) {
        Folder folder = getFolder(path);
        openedPath_ = folder.path();
        return folder;
    }
    FolderReading reading = readAhead_.take();
    if (reading.factsFailure)
        throw *reading.factsFailure;
    openedPath_ = reading.facts.path;
    openedListing_ = std::move(reading.listing);
    openedListingFailure_ = std::move(reading.listingFailure);
    return Folder(*this, std::move(reading.facts.path), reading.facts.attributes, reading.facts.isRootFolder);
}

std::shared_ptr<const FolderListing> PosixFileSystem::listFolder(const QByteArray& folderPath) const
{
    const bool opened = !openedPath_.isEmpty() && (folderPath == openedPath_ || folderPath == openedPath_ + '/');
    if (opened && openedListingFailure_)
        throw *openedListingFailure_;
    if (opened && openedListing_)
        return openedListing_;
    std::shared_ptr<const FolderListing> listing = readFolderListing(folderPath, entryTypes_);
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
