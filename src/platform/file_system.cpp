#include "file_system.h"

#include "failure.h"

using namespace Qt::StringLiterals;

namespace ferrowax {

namespace {
[[noreturn]] void failNotSet()
{
    throw Failure(u"Object variable not set"_s);
}
} // namespace

FolderItem::FolderItem(QByteArray folderPath, QByteArray name)
    : folderPath_(std::move(folderPath))
    , name_(std::move(name))
    , present_(true)
{
}

void FolderItem::requirePresent() const
{
    if (!present_)
        failNotSet();
}

QByteArray FolderItem::path() const
{
    requirePresent();
    return joinPath(folderPath_, name_);
}

const QByteArray& FolderItem::name() const
{
    requirePresent();
    return name_;
}

QByteArrayView FolderItem::extension() const
{
    requirePresent();
    const qsizetype dot = name_.lastIndexOf('.');
    if (dot < 0)
        return {};
    return QByteArrayView(name_).sliced(dot + 1);
}

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
        failNotSet();
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
        listing_ = std::make_shared<const FolderListing>(fileSystem_->listFolder(path_));
    return *listing_;
}

const std::vector<FolderItem>& Folder::files() const
{
    return listing().files;
}

const std::vector<FolderItem>& Folder::subFolders() const
{
    return listing().subFolders;
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
