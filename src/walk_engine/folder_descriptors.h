#pragma once

#include "os/file_descriptor.h"

#include <QByteArray>

#include <list>
#include <memory>
#include <vector>

namespace ferrowax {

// A folder that was read and whose subfolders wait to be: they are opened
// by name in it, never through a link. Its descriptor is held only while
// the cache has room for it; after that it is opened again, from its own
// parent, when a subfolder needs it.
struct OpenedFolder {
    OpenedFolder(std::shared_ptr<OpenedFolder> parent, QByteArray name, int subFoldersUnread);
    ~OpenedFolder();
    OpenedFolder(const OpenedFolder&) = delete;
    OpenedFolder& operator=(const OpenedFolder&) = delete;

    std::shared_ptr<OpenedFolder> parent; // none at the top of a walk
    const QByteArray name; // in its parent; the absolute path at the top
    int subFoldersUnread;
    std::shared_ptr<const FileDescriptor> descriptor; // none once let go
    std::list<std::shared_ptr<OpenedFolder>>::iterator cached;
};

// How to open a folder whose descriptor was let go: from the nearest
// folder above it that is still open, or else from the top's path, one
// name at a time.
struct RouteToFolder {
    std::shared_ptr<const FileDescriptor> from; // none: open `top` by path
    QByteArray top;
    std::vector<QByteArray> names; // from there down to the folder
};

// Opens the folder at the end of `route`, never through a link below its
// start. Fails with the system's text.
std::shared_ptr<const FileDescriptor> openRoute(const RouteToFolder& route);

// The descriptors of opened folders a walk holds: at most a fixed number,
// the ones used last, whatever the depth and width of the tree. Not safe
// for use from two threads at once.
class FolderDescriptors {
public:
    explicit FolderDescriptors(std::size_t capacity);
    ~FolderDescriptors();
    FolderDescriptors(const FolderDescriptors&) = delete;
    FolderDescriptors& operator=(const FolderDescriptors&) = delete;

    // A folder just read, whose `subFolders` subfolders wait to be read.
    std::shared_ptr<OpenedFolder> keep(std::shared_ptr<OpenedFolder> parent, QByteArray name,
        std::shared_ptr<const FileDescriptor> descriptor, int subFolders);
    // The descriptor of `folder` when it is held; otherwise the route to
    // open it again. Either counts as a use.
    std::shared_ptr<const FileDescriptor> descriptorOf(const OpenedFolder& folder, RouteToFolder& route);
    // `folder` was opened again along its route.
    void reopened(const std::shared_ptr<OpenedFolder>& folder, std::shared_ptr<const FileDescriptor> descriptor);
    // One of the subfolders of `folder` was taken to be read.
    void subFolderTaken(OpenedFolder& folder);
    // Lets every descriptor go; answers whether any was held.
    bool letAllGo();

    std::size_t held() const { return cache_.size(); }

private:
    void hold(const std::shared_ptr<OpenedFolder>& folder, std::shared_ptr<const FileDescriptor> descriptor);
    void letGo(OpenedFolder& folder);
    std::shared_ptr<const FileDescriptor> use(const OpenedFolder& folder);

    std::size_t capacity_;
    std::list<std::shared_ptr<OpenedFolder>> cache_; // used last first
};

// How many folder descriptors a walk may hold, within the process's limit.
std::size_t folderDescriptorsToHold();

} // namespace ferrowax
