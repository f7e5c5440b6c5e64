#include "folder_descriptors.h"

#include "os/failure.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/resource.h>

namespace ferrowax {

OpenedFolder::OpenedFolder(std::shared_ptr<OpenedFolder> parent, QByteArray name, int subFoldersUnread)
    : parent(std::move(parent))
    , name(std::move(name))
    , subFoldersUnread(subFoldersUnread)
{
}

OpenedFolder::~OpenedFolder()
{
    // A chain as deep as the tree would otherwise be let go by as many
    // nested destructor calls.
    std::shared_ptr<OpenedFolder> above = std::move(parent);
    while (above && above.use_count() == 1)
        above = std::move(above->parent);
}

std::shared_ptr<const FileDescriptor> openRoute(const RouteToFolder& route)
{
    constexpr int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    auto folder = route.from;
    if (!folder) {
        folder = std::make_shared<const FileDescriptor>(::open(route.top.constData(), flags));
        if (folder->get() < 0)
            throw Failure::fromErrno(errno);
    }
    for (const QByteArray& name : route.names) {
        folder = std::make_shared<const FileDescriptor>(::openat(folder->get(), name.constData(), flags | O_NOFOLLOW));
        if (folder->get() < 0)
            throw Failure::fromErrno(errno);
    }
    return folder;
}

FolderDescriptors::FolderDescriptors(std::size_t capacity)
    : capacity_(std::max<std::size_t>(capacity, 1))
{
}

FolderDescriptors::~FolderDescriptors()
{
    letAllGo();
}

std::shared_ptr<OpenedFolder> FolderDescriptors::keep(std::shared_ptr<OpenedFolder> parent, QByteArray name,
    std::shared_ptr<const FileDescriptor> descriptor, int subFolders)
{
    auto folder = std::make_shared<OpenedFolder>(std::move(parent), std::move(name), subFolders);
    hold(folder, std::move(descriptor));
    return folder;
}

std::shared_ptr<const FileDescriptor> FolderDescriptors::descriptorOf(const OpenedFolder& folder, RouteToFolder& route)
{
    if (folder.descriptor)
        return use(folder);
    std::vector<const OpenedFolder*> below{&folder};
    const OpenedFolder* start = folder.parent.get();
    while (start != nullptr && !start->descriptor) {
        below.push_back(start);
        start = start->parent.get();
    }
    route.from = start != nullptr ? use(*start) : nullptr;
    if (start == nullptr) {
        route.top = below.back()->name;
        below.pop_back();
    }
    route.names.clear();
    for (auto level = below.rbegin(); level != below.rend(); ++level)
        route.names.push_back((*level)->name);
    return nullptr;
}

void FolderDescriptors::reopened(const std::shared_ptr<OpenedFolder>& folder,
    std::shared_ptr<const FileDescriptor> descriptor)
{
    if (!folder->descriptor)
        hold(folder, std::move(descriptor));
}

void FolderDescriptors::subFolderTaken(OpenedFolder& folder)
{
    if (--folder.subFoldersUnread == 0 && folder.descriptor)
        letGo(folder);
}

bool FolderDescriptors::letAllGo()
{
    const bool any = !cache_.empty();
    while (!cache_.empty())
        letGo(*cache_.back());
    return any;
}

// The cache shares ownership, so a folder it holds open stays known.
void FolderDescriptors::hold(const std::shared_ptr<OpenedFolder>& folder, std::shared_ptr<const FileDescriptor> descriptor)
{
    if (!descriptor || folder->subFoldersUnread == 0)
        return;
    folder->descriptor = std::move(descriptor);
    cache_.push_front(folder);
    folder->cached = cache_.begin();
    while (cache_.size() > capacity_)
        letGo(*cache_.back());
}

void FolderDescriptors::letGo(OpenedFolder& folder)
{
    folder.descriptor.reset();
    cache_.erase(folder.cached);
}

std::shared_ptr<const FileDescriptor> FolderDescriptors::use(const OpenedFolder& folder)
{
    cache_.splice(cache_.begin(), cache_, folder.cached);
    return folder.descriptor;
}

std::size_t folderDescriptorsToHold()
{
    rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return 64;
    // Readers hold a few more each while they read, and the rest of the
    // program needs some too.
    return std::clamp<std::size_t>(static_cast<std::size_t>(limit.rlim_cur) / 16, 2, 64);
}

} // namespace ferrowax
