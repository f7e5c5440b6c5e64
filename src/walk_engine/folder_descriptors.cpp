#include "folder_descriptors.h"

#include "os/failure.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace ferrowax {

namespace {

constexpr int folderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

bool is(const FileDescriptor& opened, const FolderIdentity& identity)
{
    struct stat st {};
    return ::fstat(opened.get(), &st) == 0 && FolderIdentity{st.st_dev, st.st_ino} == identity;
}

std::shared_ptr<const FileDescriptor> openChecked(int at, const RouteToFolder::Step& step, int flags)
{
    auto opened = std::make_shared<const FileDescriptor>(::openat(at, step.name.constData(), flags));
    if (opened->get() < 0)
        throw Failure::fromErrno(errno);
    // Moved away, and another folder took its name: that one is not walked.
    if (!is(*opened, step.identity))
        throw Failure::fromErrno(ENOENT);
    return opened;
}

} // namespace

OpenedFolder::OpenedFolder(std::shared_ptr<OpenedFolder> parent, QByteArray name, int subFoldersUnread,
    FolderIdentity identity, qsizetype folderPartLength)
    : parent(std::move(parent))
    , name(std::move(name))
    , identity(identity)
    , folderPartLength(folderPartLength)
    , subFoldersUnread(subFoldersUnread)
    , waitingAbove(this->parent.get())
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

QByteArray pathOf(const OpenedFolder* folder, const QByteArray& name)
{
    std::vector<const QByteArray*> names{&name};
    for (; folder != nullptr; folder = folder->parent.get())
        names.push_back(&folder->name);
    QByteArray path = *names.back();
    for (auto below = std::next(names.rbegin()); below != names.rend(); ++below) {
        if (!path.endsWith('/'))
            path.append('/');
        path.append(**below);
    }
    return path;
}

std::shared_ptr<const FileDescriptor> openRoute(const RouteToFolder& route)
{
    auto folder = route.from;
    if (!folder)
        folder = openChecked(AT_FDCWD, route.top, folderFlags);
    for (const RouteToFolder::Step& step : route.steps)
        folder = openChecked(folder->get(), step, folderFlags | O_NOFOLLOW);
    return folder;
}

std::shared_ptr<const FileDescriptor> climb(const OpenedFolder& folder,
    std::shared_ptr<const FileDescriptor> folderDescriptor, const OpenedFolder& above) noexcept
{
    try {
        for (const OpenedFolder* at = &folder; at != &above; at = at->parent.get())
            folderDescriptor = openChecked(folderDescriptor->get(), {"..", at->parent->identity}, folderFlags);
        return folderDescriptor;
    } catch (...) {
        return nullptr;
    }
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
    std::shared_ptr<const FileDescriptor> descriptor, int subFolders, FolderIdentity identity,
    qsizetype folderPartLength)
{
    auto folder
        = std::make_shared<OpenedFolder>(std::move(parent), std::move(name), subFolders, identity, folderPartLength);
    if (folder->parent)
        ++folder->parent->descending;
    if (!folder->parent) {
        // Reached from nothing but its path, which may lead elsewhere by now.
        top_ = folder;
        top_->descriptor = std::move(descriptor);
    } else {
        hold(folder, std::move(descriptor));
    }
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
        route.top = {below.back()->name, below.back()->identity};
        below.pop_back();
    }
    route.steps.clear();
    for (auto level = below.rbegin(); level != below.rend(); ++level)
        route.steps.push_back({(*level)->name, (*level)->identity});
    return nullptr;
}

void FolderDescriptors::reopened(const std::shared_ptr<OpenedFolder>& folder,
    std::shared_ptr<const FileDescriptor> descriptor)
{
    if (folder->descriptor)
        return;
    if (folder == top_)
        top_->descriptor = std::move(descriptor);
    else
        hold(folder, std::move(descriptor));
}

OpenedFolder* FolderDescriptors::subFolderTaken(OpenedFolder& folder)
{
    if (--folder.subFoldersUnread > 0)
        return nullptr;
    if (folder.parent)
        --folder.parent->descending;
    if (folder.descriptor && &folder != top_.get())
        letGo(folder);
    OpenedFolder* waiting = nearestWaitingAbove(folder);
    return waiting != nullptr && !waiting->descriptor && waiting->reopenable() ? waiting : nullptr;
}

// Folders whose subfolders have all been taken stay so, so each such one is
// passed over once: the search costs no more than the walk down did.
OpenedFolder* FolderDescriptors::nearestWaitingAbove(OpenedFolder& folder)
{
    OpenedFolder* found = folder.waitingAbove;
    while (found != nullptr && found->subFoldersUnread == 0)
        found = found->waitingAbove;
    for (OpenedFolder* step = &folder; step->waitingAbove != found;)
        step = std::exchange(step->waitingAbove, found);
    return found;
}

bool FolderDescriptors::letAllGo(bool top)
{
    bool any = !cache_.empty();
    while (!cache_.empty())
        letGo(*cache_.back());
    if (top && top_ && top_->descriptor) {
        top_->descriptor.reset();
        any = true;
    }
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
        letGo(toLetGo());
}

// Of the ones used longest ago, one that a reader below will climb back to.
OpenedFolder& FolderDescriptors::toLetGo() const
{
    for (auto folder = cache_.rbegin(); folder != cache_.rend(); ++folder) {
        if ((*folder)->descending > 0)
            return **folder;
    }
    return *cache_.back();
}

void FolderDescriptors::letGo(OpenedFolder& folder)
{
    folder.descriptor.reset();
    cache_.erase(folder.cached);
}

std::shared_ptr<const FileDescriptor> FolderDescriptors::use(const OpenedFolder& folder)
{
    if (&folder != top_.get())
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
