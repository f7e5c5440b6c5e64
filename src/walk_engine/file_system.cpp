#include "file_system.h"

#include "os/failure.h"

#include <filesystem>

namespace ferrowax {

Folder::Folder(const FileSystem& fileSystem, QByteArray path, int attributes, bool isRootFolder)
    : fileSystem_(&fileSystem)
    , path_(std::move(path))
    , attributes_(attributes)
    , isRootFolder_(isRootFolder)
{
}

void Folder::requirePresent() const
{
    if (!fileSystem_)
        throw Failure::objectNotSet();
}

const QByteArray& Folder::path() const
{
    requirePresent();
    return path_;
}

int Folder::attributes() const
{
    requirePresent();
    return attributes_;
}

bool Folder::isRootFolder() const
{
    requirePresent();
    return isRootFolder_;
}

const FolderListing& Folder::listing() const
{
    requirePresent();
    if (!listing_)
        listing_ = fileSystem_->listFolder(path_);
    return *listing_;
}

std::shared_ptr<const FolderListing> Folder::sharedListing() const
{
    listing();
    return listing_;
}

const std::vector<FolderItem>& Folder::files() const
{
    return listing().files();
}

QByteArray joinPath(const QByteArray& folder, const QByteArray& name)
{
    if (folder.endsWith('/'))
        return folder + name;
    QByteArray path;
    path.reserve(folder.size() + 1 + name.size());
    path.append(folder).append('/').append(name);
    return path;
}

QByteArray currentFolderPath()
{
    return QByteArray::fromStdString(std::filesystem::current_path().native());
}

bool IsFilePresent(const FileSystem& fileSystem, const QByteArray& path)
{
    try {
        fileSystem.lastModified(path);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace ferrowax
