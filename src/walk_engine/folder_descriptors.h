#pragma once

#include "folder_facts.h"
#include "os/file_descriptor.h"

#include <QByteArray>

#include <list>
#include <memory>
#include <vector>

namespace ferrowax {

// A folder that was read and whose subfolders wait to be: they are opened
// by name in it, never through a link. The top of a walk is held open for
// the whole walk; any other only while the cache has room for it, and after
// that it is opened again when a subfolder needs it: from a folder below it
// that is still open, or from one above it, each folder on the way checked
// to be the one that was read there.
struct OpenedFolder : std::enable_shared_from_this<OpenedFolder> {
    OpenedFolder(std::shared_ptr<OpenedFolder> parent, QByteArray name, int subFoldersUnread, FolderIdentity identity,
        qsizetype folderPartLength);
    ~OpenedFolder();
    OpenedFolder(const OpenedFolder&) = delete;
    OpenedFolder& operator=(const OpenedFolder&) = delete;

    // Read by a reader of its own that handed no descriptor over: it is
    // never opened again.
    bool reopenable() const { return identity.inode != 0; }

    std::shared_ptr<OpenedFolder> parent; // none at the top of a walk
    const QByteArray name; // in its parent; the absolute path at the top
    const FolderIdentity identity; // as it was read
    // Of its path and a separator, as the walk names it.
    const qsizetype folderPartLength;
    int subFoldersUnread;
    std::shared_ptr<const FileDescriptor> descriptor; // none once let go
    std::list<std::shared_ptr<OpenedFolder>>::iterator cached;
    // An ancestor: every folder between has no subfolder left unread.
    OpenedFolder* waitingAbove;
    // Subfolders read that still have subfolders to read: one of them
    // will climb back to it, so its descriptor is the first to let go.
    int descending = 0;
};

// The path of `name` in `folder` (none: `name` is a top), as the walk names
// it. It takes a step per level: for tests and rare uses only.
QByteArray pathOf(const OpenedFolder* folder, const QByteArray& name);

// How to open a folder whose descriptor was let go: from the nearest
// folder above it that is still open, or else from the top's path, one
// name at a time, each folder checked to be the one read there.
struct RouteToFolder {
    struct Step {
        QByteArray name;
        FolderIdentity identity;
    };
    std::shared_ptr<const FileDescriptor> from; // none: open `top` by path
    Step top;
    std::vector<Step> steps; // from there down to the folder
};

// Opens the folder at the end of `route`, never through a link below its
// start. Fails with the system's text, and as a folder that is no longer
// there where a folder on the way is another than the one read there.
std::shared_ptr<const FileDescriptor> openRoute(const RouteToFolder& route);

// The descriptor of `above`, an ancestor of `folder`, reached from
// `folderDescriptor` one ".." at a time as find does, each folder on the way
// checked; none where one is another than was read there (`folder` was
// moved elsewhere) or cannot be opened.
std::shared_ptr<const FileDescriptor> climb(const OpenedFolder& folder,
    std::shared_ptr<const FileDescriptor> folderDescriptor, const OpenedFolder& above) noexcept;

// The descriptors of opened folders a walk holds: its top, and at most a
// fixed number of others, whatever the depth and width of the tree: the
// ones used last, but that a folder that will be climbed back to goes
// first. Not safe for use from two threads at once.
class FolderDescriptors {
public:
    explicit FolderDescriptors(std::size_t capacity);
    ~FolderDescriptors();
    FolderDescriptors(const FolderDescriptors&) = delete;
    FolderDescriptors& operator=(const FolderDescriptors&) = delete;

    // A folder just read, whose `subFolders` subfolders wait to be read.
    std::shared_ptr<OpenedFolder> keep(std::shared_ptr<OpenedFolder> parent, QByteArray name,
        std::shared_ptr<const FileDescriptor> descriptor, int subFolders, FolderIdentity identity,
        qsizetype folderPartLength);
    // The descriptor of `folder` when it is held; otherwise the route to
    // open it again. Either counts as a use.
    std::shared_ptr<const FileDescriptor> descriptorOf(const OpenedFolder& folder, RouteToFolder& route);
    // `folder` was opened again; held if its subfolders still need it.
    void reopened(const std::shared_ptr<OpenedFolder>& folder, std::shared_ptr<const FileDescriptor> descriptor);
    // One of the subfolders of `folder` was taken to be read. Once the last
    // is, answers the nearest folder above that still has subfolders to
    // read but whose descriptor was let go: the one who reads `folder`'s
    // last subfolder climbs to it, so that it is reached from below.
    OpenedFolder* subFolderTaken(OpenedFolder& folder);
    // Lets every descriptor go, the top's too if `top`; answers whether
    // any was held.
    bool letAllGo(bool top = true);

    std::size_t held() const { return cache_.size() + (top_ && top_->descriptor ? 1 : 0); }

private:
    void hold(const std::shared_ptr<OpenedFolder>& folder, std::shared_ptr<const FileDescriptor> descriptor);
    void letGo(OpenedFolder& folder);
    std::shared_ptr<const FileDescriptor> use(const OpenedFolder& folder);
    OpenedFolder* nearestWaitingAbove(OpenedFolder& folder);
    OpenedFolder& toLetGo() const;

    std::size_t capacity_;
    std::shared_ptr<OpenedFolder> top_;
    std::list<std::shared_ptr<OpenedFolder>> cache_; // used last first
};

// How many folder descriptors a walk may hold, within the process's limit.
std::size_t folderDescriptorsToHold();

} // namespace ferrowax
