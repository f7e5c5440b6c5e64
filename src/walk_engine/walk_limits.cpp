#include "walk_limits.h"

#include "file_system.h"
#include "folder_reader.h"
#include "mount_table.h"

#include <algorithm>
#include <climits>

#include <fnmatch.h>
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

MountDevices mountDevices()
{
    MountDevices devices;
    for (const Mount& mount : readMountTable())
        devices[mount.mountPoint] = mount.device; // the topmost of stacked mounts, listed last
    return devices;
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
