#include "walk_limits.h"

#include "file_system.h"
#include "folder_reader.h"
#include "mount_table.h"

#include <algorithm>
#include <climits>

#include <fcntl.h>
#include <fnmatch.h>
#include <poll.h>
#include <unistd.h>

namespace ferrowax {

namespace {

// The folder as the system names it, links resolved, from its descriptor.
QByteArray systemPathOf(const FileDescriptor& folder)
{
    char path[PATH_MAX];
    const QByteArray link = "/proc/self/fd/" + QByteArray::number(folder.get());
    const ssize_t size = ::readlink(link.constData(), path, sizeof path);
    return size > 0 && static_cast<std::size_t>(size) < sizeof path ? QByteArray(path, size) : QByteArray();
}

} // namespace

MountWatch::MountWatch()
    : table_(::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC))
{
    readTable();
}

std::shared_ptr<const MountDevices> MountWatch::devices()
{
    const std::lock_guard lock(mutex_);
    pollfd changed{table_.get(), POLLPRI, 0};
    if (::poll(&changed, 1, 0) > 0 && (changed.revents & (POLLPRI | POLLERR)) != 0)
        readTable();
    return devices_;
}

void MountWatch::readTable()
{
    QByteArray text;
    char buffer[16 * 1024];
    ssize_t got = ::lseek(table_.get(), 0, SEEK_SET) == 0 ? 1 : -1;
    while (got > 0 && (got = ::read(table_.get(), buffer, sizeof buffer)) > 0)
        text.append(buffer, got);
    auto devices = std::make_shared<MountDevices>();
    for (const Mount& mount : parseMountInfo(text))
        (*devices)[mount.mountPoint] = mount.device; // the topmost of stacked mounts, listed last
    devices_ = std::move(devices);
}

void passOverAnotherFileSystem(FolderReading& reading, const WalkLimits& limits, dev_t topDevice)
{
    if (!limits.oneFileSystem || reading.factsFailure || reading.facts.identity.device == topDevice)
        return;
    reading.facts.attributes = Attribute::Directory | Attribute::System | Attribute::Hidden;
    reading.facts.isRootFolder = false;
    reading.listing.reset();
    reading.listingFailure.reset();
    reading.opened.reset();
}

void leaveOutSubFolders(FolderReading& reading, const QByteArray& folderPath, const WalkLimits& limits,
    dev_t topDevice, const MountDevices& mounts)
{
    if (!reading.listing || !limits.leaveOutAny())
        return;
    QByteArray systemFolder = limits.oneFileSystem && reading.opened ? systemPathOf(*reading.opened) : QByteArray();
    if (!systemFolder.isEmpty() && !systemFolder.endsWith('/'))
        systemFolder.append('/');
    const QByteArray folderPart = limits.excludedPaths.empty() ? QByteArray() : joinPath(folderPath, {});
    reading.listing->removeSubFolders([&](QByteArrayView name) {
        const QByteArray nameText = name.toByteArray();
        if (std::any_of(limits.excludedNames.begin(), limits.excludedNames.end(),
                [&](const QByteArray& pattern) { return ::fnmatch(pattern.constData(), nameText.constData(), 0) == 0; }))
            return true;
        if (!limits.excludedPaths.empty()) {
            const QByteArray path = folderPart + nameText;
            if (std::find(limits.excludedPaths.begin(), limits.excludedPaths.end(), path) != limits.excludedPaths.end())
                return true;
        }
        if (!systemFolder.isEmpty()) {
            const auto mount = mounts.find(systemFolder + nameText);
            if (mount != mounts.end() && mount->second != topDevice)
                return true;
        }
        return false;
    });
}

} // namespace ferrowax
