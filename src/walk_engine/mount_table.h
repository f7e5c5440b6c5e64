#pragma once

#include <QByteArray>

#include <optional>
#include <vector>

namespace ferrowax {

struct Mount {
    QByteArray mountPoint;
    QByteArray fileSystemType;
    QByteArray source;
};

// The mounts listed in the text of /proc/self/mountinfo, in its order.
std::vector<Mount> parseMountInfo(const QByteArray& mountInfo);

// The mount currently at `mountPoint` (the topmost one when mounts are stacked).
std::optional<Mount> findMount(const QByteArray& mountPoint);

} // namespace ferrowax
