#include "scripted_file_system.h"

#include "os/failure.h"

using namespace Qt::StringLiterals;

namespace ferrowax::testing {

namespace {
QByteArray parentOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

QByteArray nameOf(const QByteArray& path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

QByteArray withoutTrailingSlash(QByteArray path)
{
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    return path;
}
} // namespace

void ScriptedFileSystem::addFolder(const QByteArray& path, int attributes, bool isRootFolder)
{
    Node& added = folders_[path];
    added.attributes = attributes;
    added.isRootFolder = isRootFolder;
    if (path != "/" && folders_.count(parentOf(path)) != 0)
        folders_[parentOf(path)].folderNames.push_back(nameOf(path));
}

void ScriptedFileSystem::addFile(const QByteArray& path, const QByteArray& content)
{
    folders_.at(parentOf(path)).fileNames.push_back(nameOf(path));
    contents_[path] = content;
}

void ScriptedFileSystem::refuseListing(const QByteArray& folderPath, const QString& description)
{
    folders_.at(folderPath).refusal = description;
}

const ScriptedFileSystem::Node& ScriptedFileSystem::node(const QByteArray& folderPath) const
{
    const auto found = folders_.find(withoutTrailingSlash(folderPath));
    if (found == folders_.end())
        throw Failure(u"Path not found"_s);
    return found->second;
}

const ScriptedFileSystem::Node& ScriptedFileSystem::listable(const QByteArray& folderPath) const
{
    const Node& folder = node(folderPath);
    if (folder.refusal)
        throw Failure(*folder.refusal);
    return folder;
}

Folder ScriptedFileSystem::getFolder(const QByteArray& path) const
{
    const Node& folder = node(path);
    return Folder(*this, withoutTrailingSlash(path), folder.attributes, folder.isRootFolder);
}

std::shared_ptr<const FolderListing> ScriptedFileSystem::listFolder(const QByteArray& folderPath) const
{
    const Node& folder = listable(folderPath);
    auto listing = std::make_shared<FolderListing>();
    for (const QByteArray& name : folder.fileNames)
        listing->add(FolderListing::Kind::File, name);
    for (const QByteArray& name : folder.folderNames)
        listing->add(FolderListing::Kind::Folder, name);
    return listing;
}

QDateTime ScriptedFileSystem::lastModified(const QByteArray& path) const
{
    const Node& folder = node(parentOf(path));
    for (const QByteArray& name : folder.fileNames) {
        if (name == nameOf(path))
            return QDateTime::fromSecsSinceEpoch(0);
    }
    throw Failure(u"File not found"_s);
}

bool ScriptedFileSystem::isNormalFile(const QByteArray& path) const
{
    return contents_.count(path) != 0 && !nameOf(path).startsWith('.');
}

QByteArray ScriptedFileSystem::readFile(const QByteArray& path) const
{
    const auto found = contents_.find(path);
    if (found == contents_.end())
        throw Failure(u"File not found"_s);
    return found->second;
}

} // namespace ferrowax::testing
