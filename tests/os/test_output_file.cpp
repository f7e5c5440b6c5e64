#include "os/file_descriptor.h"
#include "os/output_file.h"
#include "support/file_contents.h"
#include "support/qt_printers.h"
#include "support/tmpfs_mount.h"
#include "support/temp_tree.h"
#include "support/unprivileged.h"

#include <QFile>

#include <gtest/gtest.h>

#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace ferrowax;
using namespace ferrowax::testing;

namespace {

void save(const QByteArray& path, const QByteArray& text)
{
    ReplacingOutputFiles files;
    const std::unique_ptr<OutputFile> file = files.create(path);
    file->write(text);
    file->close();
}

QByteArray attributeOf(const QByteArray& path, const char* name)
{
    char value[256];
    const ssize_t size = ::lgetxattr(path.constData(), name, value, sizeof value);
    return size < 0 ? QByteArray("none") : QByteArray(value, size);
}

// What protects the file stays with it: its access list and attributes are
// carried to the new file, which takes none the folder would give it; where
// one cannot be carried, the file is written in place and keeps them all.
// On a tmpfs of the test's own, which holds them all.
TEST(ReplacingOutputFiles, SavesKeepTheAccessListAndAttributes)
{
    const TmpfsMount disk(1024 * 1024);
    if (!disk.mounted())
        GTEST_SKIP() << "attributes not tried: no tmpfs of the test's own can be mounted here (needs root)";
    // Owner, group and others as the mode has them, and user 1234 granted
    // read and write, as the kernel takes it.
    const QByteArray acl = QByteArray::fromHex(
        "02000000 01000600ffffffff 02000600d2040000 04000400ffffffff 10000600ffffffff 20000400ffffffff");
    const QByteArray folder = disk.path() + "/given";
    ASSERT_EQ(::mkdir(folder.constData(), 0755), 0);
    struct Case {
        QByteArray name;
        QByteArray attribute; // set on the old file
        QByteArray value;
        bool replaced;
    };
    const std::vector<Case> cases{
        {"listed.txt", "system.posix_acl_access", acl, true},
        {"tagged.txt", "user.tag", "blue", true},
        // Only root may set it: a user's save cannot carry it.
        {"labelled.txt", "security.ferrowax-test", "label", false},
    };
    for (const Case& row : cases) {
        const QByteArray file = folder + '/' + row.name;
        QFile old(QString::fromUtf8(file));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write("old") == 3 && old.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        old.close();
        ASSERT_EQ(::chown(file.constData(), unprivilegedId, unprivilegedId), 0);
        ASSERT_EQ(::setxattr(file.constData(), row.attribute.constData(), row.value.constData(), row.value.size(), 0), 0);
    }
    // New files here would be given an access list the old ones lack.
    ASSERT_EQ(::setxattr(folder.constData(), "system.posix_acl_default", acl.constData(), acl.size(), 0), 0);
    ASSERT_EQ(::chown(folder.constData(), unprivilegedId, unprivilegedId), 0);

    for (const Case& row : cases) {
        SCOPED_TRACE(row.name.constData());
        const QByteArray file = folder + '/' + row.name;
        struct stat before {};
        ASSERT_EQ(::stat(file.constData(), &before), 0);
        EXPECT_EQ(runUnprivileged([&] {
            try {
                save(file, "new");
            } catch (const std::exception& error) {
                return QByteArray(error.what());
            }
            return QByteArray("saved");
        }),
            "saved");
        EXPECT_EQ(contentOf(file), "new");
        struct stat after {};
        ASSERT_EQ(::stat(file.constData(), &after), 0);
        EXPECT_EQ(after.st_ino != before.st_ino, row.replaced);
        EXPECT_EQ(after.st_mode, before.st_mode);
        for (const char* attribute : {"system.posix_acl_access", "user.tag", "security.ferrowax-test"})
            EXPECT_EQ(attributeOf(file, attribute), attribute == row.attribute ? row.value : QByteArray("none")) << attribute;
    }
    EXPECT_EQ(namesIn(folder), (QStringList{u"labelled.txt"_s, u"listed.txt"_s, u"tagged.txt"_s}));
}

// Where the file system takes no unnamed file, the next save of a file
// removes the temporaries killed saves of it left, and nothing else: not one
// still being written (it holds a lock), not another file's, not a folder.
TEST(ReplacingOutputFiles, KilledSavesLeaveNothingForLong)
{
    TempTree tree;
    tree.file("out.txt", "old");
    const QByteArray longName = QByteArray(255 - 4, 'n') + ".txt";
    const QByteArrayList leftovers{".out.txt.ferrowax-1a2b", ".out.txt.ferrowax-zz9",
        '.' + longName.left(255 - 1 - 14) + ".ferrowax-abcd"};
    const QByteArrayList others{".other.txt.ferrowax-1a2b", "out.txt.ferrowax-1a2b", ".out.txt.ferrowax-",
        ".out.txt.ferrowax-ABC", ".out.txt.ferrowax-live", ".out.txt.ferrowax-dir"};
    tree.file(longName, "old");
    for (const QByteArray& name : leftovers + others)
        name.endsWith("dir") ? tree.folder(name) : tree.file(name, "part");
    const FileDescriptor live(::open(tree.path(".out.txt.ferrowax-live").constData(), O_WRONLY));
    ASSERT_EQ(::flock(live.get(), LOCK_EX), 0);

    save(tree.path("out.txt"), "new");
    save(tree.path(longName), "new");
    QStringList expected{u"out.txt"_s, QString::fromUtf8(longName)};
    for (const QByteArray& name : others)
        expected.append(QString::fromUtf8(name));
    expected.sort();
    EXPECT_EQ(namesIn(tree.path()), expected);
    EXPECT_EQ(contentOf(tree.path("out.txt")), "new");
}

} // namespace
