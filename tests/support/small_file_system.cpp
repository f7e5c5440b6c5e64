#include "small_file_system.h"

#include <QFile>

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace ferrowax::testing {

SmallFileSystem::SmallFileSystem(int bytes)
{
    if (::geteuid() != 0 || ::unshare(CLONE_NEWNS) != 0 || ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return;
    const QByteArray options = "size=" + QByteArray::number(bytes);
    mounted_ = ::mount("tmpfs", path().constData(), "tmpfs", 0, options.constData()) == 0;
}

SmallFileSystem::~SmallFileSystem()
{
    if (mounted_)
        ::umount(path().constData());
}

QByteArray SmallFileSystem::path() const
{
    return QFile::encodeName(folder_.path());
}

} // namespace ferrowax::testing
