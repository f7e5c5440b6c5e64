#include "walk_engine/mount_table.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>

using namespace ferrowax;

namespace {

TEST(MountTable, ReadsMountPointTypeAndSourceAcrossOptionalFields)
{
    const QByteArray text = "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
                            "27 1 254:0 / / rw,relatime shared:1 master:2 - ext4 /dev/vda rw\n"
                            "40 27 0:40 / /media/My\\040Disk\\134x rw - vfat /dev/sdb1 rw\n"
                            "malformed line\n";
    const std::vector<Mount> mounts = parseMountInfo(text);
    ASSERT_EQ(mounts.size(), 3U);
    EXPECT_EQ(mounts[0].mountPoint, "/proc");
    EXPECT_EQ(mounts[0].fileSystemType, "proc");
    EXPECT_EQ(mounts[1].mountPoint, "/");
    EXPECT_EQ(mounts[1].fileSystemType, "ext4");
    EXPECT_EQ(mounts[1].id, 27U);
    EXPECT_EQ(mounts[1].source, "/dev/vda");
    EXPECT_EQ(mounts[1].device, makedev(254, 0));
    EXPECT_EQ(mounts[2].mountPoint, "/media/My Disk\\x");
    EXPECT_EQ(mounts[2].source, "/dev/sdb1");
}

TEST(MountTable, FindsTheLiveProcMount)
{
    const std::optional<Mount> proc = findMount("/proc");
    ASSERT_TRUE(proc.has_value());
    EXPECT_EQ(proc->fileSystemType, "proc");
    // The device its files report, as --one-file-system compares it.
    struct stat status {};
    ASSERT_EQ(::stat("/proc", &status), 0);
    EXPECT_EQ(proc->device, status.st_dev);
    EXPECT_FALSE(findMount("/no/such/mount/point").has_value());
}

} // namespace
