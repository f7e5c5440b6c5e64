#pragma once

#include "os/file_descriptor.h"

#include <QByteArray>

#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include <sys/types.h>

namespace ferrowax {

struct FolderReading;

// The folders a walk leaves out below the folders it starts from: never
// opened, listed or counted. The window's search leaves out none; the
// command line's --exclude and --one-file-system set them.
struct WalkLimits {
    // Absolute, clean paths, compared as bytes with a folder's path.
    std::vector<QByteArray> excludedPaths;
    // Shell patterns matched against a folder's name.
    std::vector<QByteArray> excludedNames;
    // A folder on another file system than the top one is not entered.
    bool oneFileSystem = false;

    bool leaveOutAny() const { return !excludedPaths.empty() || !excludedNames.empty() || oneFileSystem; }
};

// Where each file system is mounted, as the system names the folder, with
// the device its files report.
using MountDevices = std::map<QByteArray, dev_t>;

// The mounts of this process, kept up to date while walks run: the system
// marks its mount table changed on a descriptor of it, and only then is it
// read again. Reading it touches no mount, so one that stopped answering
// holds nothing up. Safe for use from several threads.
class MountWatch {
public:
    MountWatch();
    // As the table is now.
    std::shared_ptr<const MountDevices> devices();

private:
    void readTable();

    std::mutex mutex_;
    FileDescriptor table_;
    std::shared_ptr<const MountDevices> devices_;
};

// A folder below the top just read that lies on another file system than
// `topDevice`, where `limits` keep to one: something was mounted on it
// since its parent was listed. It is passed over as a protected system
// folder is, its listing dropped.
void passOverAnotherFileSystem(FolderReading& reading, const WalkLimits& limits, dev_t topDevice);

// Removes from a folder just read the subfolders `limits` leave out, for a
// walk whose top folder lies on `topDevice`; `folderPath`, as the walk
// names it, is needed only where paths are left out. A mount is told from
// the mount table, so a file system that no longer answers is never touched.
void leaveOutSubFolders(FolderReading& reading, const QByteArray& folderPath, const WalkLimits& limits,
    dev_t topDevice, const MountDevices& mounts);

} // namespace ferrowax
