#pragma once

#include <QByteArray>

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace ferrowax {

struct Mount {
    std::uint64_t id = 0; // as the system numbers its mounts
    QByteArray mountPoint;
    QByteArray fileSystemType;
    QByteArray source;
    dev_t device = 0; // as its files report it
};

// The mounts listed in the text of /proc/self/mountinfo, in its order.
std::vector<Mount> parseMountInfo(const QByteArray& mountInfo);

// The mounts of this process, in the order the system lists them; none
// when the table cannot be read.
std::vector<Mount> readMountTable();

// The mount currently at `mountPoint` (the topmost one when mounts are stacked).
std::optional<Mount> findMount(const QByteArray& mountPoint);
std::optional<Mount> findMountById(std::uint64_t id);

} // namespace ferrowax
