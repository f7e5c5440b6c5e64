#include "tmpfs_mount.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <sys/mount.h>

namespace ferrowax::testing {

TmpfsMount::TmpfsMount(qint64 bytes, const QByteArray& at)
{
    if (at.isEmpty()) {
        own_.emplace();
        at_ = QFile::encodeName(own_->path());
    } else {
        at_ = at;
    }
    const QByteArray options = "size=" + QByteArray::number(bytes);
    mounted_ = ::mount("ferrowax-test", at_.constData(), "tmpfs", 0, options.constData()) == 0;
    if (!mounted_)
        whyNot_ = QStringLiteral("a tmpfs cannot be mounted here: ") + QString::fromLocal8Bit(std::strerror(errno));
}

TmpfsMount::~TmpfsMount()
{
    if (mounted_)
        ::umount2(at_.constData(), MNT_DETACH);
}

} // namespace ferrowax::testing
