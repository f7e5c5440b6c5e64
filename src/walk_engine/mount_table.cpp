#include "mount_table.h"

#include <QFile>

#include <sys/sysmacros.h>

namespace ferrowax {

namespace {

// mountinfo writes blanks, tabs, newlines and backslashes as \ooo.
QByteArray unescape(const QByteArray& field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const bool isOctal = field[i] == '\\' && i + 3 < field.size();
        if (isOctal) {
            bool ok = false;
            const int code = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok && code < 256) {
                out.append(static_cast<char>(code));
                i += 3;
                continue;
            }
        }
        out.append(field[i]);
    }
    return out;
}

} // namespace

std::vector<Mount> parseMountInfo(const QByteArray& mountInfo)
{
    std::vector<Mount> mounts;
    for (const QByteArray& line : mountInfo.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        // id parent dev root mount-point options [optional...] - type source super-options
        const qsizetype separator = fields.indexOf(QByteArray("-"), 6);
        if (fields.size() < 7 || separator < 0 || separator + 2 >= fields.size())
            continue;
        const QList<QByteArray> device = fields[2].split(':');
        const dev_t number = device.size() == 2 ? makedev(device[0].toUInt(), device[1].toUInt()) : 0;
        mounts.push_back({fields[0].toULongLong(), unescape(fields[4]), unescape(fields[separator + 1]), unescape(fields[separator + 2]), number});
    }
    return mounts;
}

std::vector<Mount> readMountTable()
{
    QFile file(QStringLiteral("/proc/self/mountinfo"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return parseMountInfo(file.readAll());
}

std::optional<Mount> findMount(const QByteArray& mountPoint)
{
    std::optional<Mount> found;
    for (Mount& mount : readMountTable()) {
        if (mount.mountPoint == mountPoint)
            found = std::move(mount);
    }
    return found;
}

std::optional<Mount> findMountById(std::uint64_t id)
{
    for (Mount& mount : readMountTable()) {
        if (mount.id == id)
            return std::move(mount);
    }
    return std::nullopt;
}

} // namespace ferrowax
