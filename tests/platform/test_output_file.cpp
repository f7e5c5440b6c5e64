#include "platform/file_descriptor.h"
#include "platform/output_file.h"
#include "support/qt_printers.h"
#include "support/small_file_system.h"
#include "support/temp_tree.h"
#include "support/unprivileged.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>

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

QByteArray contentOf(const QByteArray& path)
{
    QFile file(QString::fromUtf8(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QStringList namesIn(const QByteArray& folder)
{
    return QDir(QString::fromUtf8(folder))
        .entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

std::optional<QByteArray> attribute(const QByteArray& path, const char* name)
{
    char value[256];
    const ssize_t size = ::lgetxattr(path.constData(), name, value, sizeof value);
    return size < 0 ? std::nullopt : std::optional<QByteArray>(QByteArray(value, size));
}

// An access list as the kernel takes it: the owner, group and others as
// the mode has them, and `user` granted read and write.
QByteArray accessList(std::uint32_t user)
{
    QByteArray list;
    const auto add = [&](std::uint16_t tag, std::uint16_t permissions, std::uint32_t id) {
        list.append(reinterpret_cast<const char*>(&tag), 2);
        list.append(reinterpret_cast<const char*>(&permissions), 2);
        list.append(reinterpret_cast<const char*>(&id), 4);
    };
    const std::uint32_t version = 2;
    list.append(reinterpret_cast<const char*>(&version), 4);
    add(0x01, 6, UINT32_MAX); // owner
    add(0x02, 6, user);
    add(0x04, 4, UINT32_MAX); // group
    add(0x10, 6, UINT32_MAX); // mask
    add(0x20, 4, UINT32_MAX); // others
    return list;
}

// What protects the file stays with it: its access list and attributes are
// carried to the new file, which takes none the folder would give it; where
// one cannot be carried, the file is written in place and keeps them all.
// On a tmpfs of the test's own, which holds them all.
TEST(ReplacingOutputFiles, SavesKeepTheAccessListAndAttributes)
{
    SmallFileSystem disk(1024 * 1024);
    if (!disk.mounted())
        GTEST_SKIP() << "attributes not tried: no tmpfs of the test's own can be mounted here (needs root)";
    const QByteArray acl = accessList(1234);
    struct Case {
        const char* what;
        std::function<void(const QByteArray& file)> make;
        bool unprivileged;
        bool replaced;
        std::function<bool(const QByteArray& file)> kept;
    };
    const std::vector<Case> cases{
        {"an access entry and an attribute",
            [&](const QByteArray& file) {
                ::setxattr(file.constData(), "system.posix_acl_access", acl.constData(), acl.size(), 0);
                ::setxattr(file.constData(), "user.tag", "blue", 4, 0);
            },
            false, true,
            [&](const QByteArray& file) {
                return attribute(file, "system.posix_acl_access") == acl && attribute(file, "user.tag") == "blue";
            }},
        {"none, in a folder that gives new files one",
            [&](const QByteArray& file) {
                const QByteArray folder = file.left(file.lastIndexOf('/'));
                ::setxattr(folder.constData(), "system.posix_acl_default", acl.constData(), acl.size(), 0);
            },
            false, true,
            [&](const QByteArray& file) {
                struct stat status {};
                return !attribute(file, "system.posix_acl_access") && ::stat(file.constData(), &status) == 0
                    && (status.st_mode & 0777) == 0640;
            }},
        {"one only root may set, saved by a user",
            [&](const QByteArray& file) {
                ::setxattr(file.constData(), "security.ferrowax-test", "label", 5, 0);
                ASSERT_EQ(::chown(file.constData(), unprivilegedId, unprivilegedId), 0);
                ASSERT_EQ(::chown(file.left(file.lastIndexOf('/')).constData(), unprivilegedId, unprivilegedId), 0);
            },
            true, false, [&](const QByteArray& file) { return attribute(file, "security.ferrowax-test") == "label"; }},
    };
    int number = 0;
    for (const Case& row : cases) {
        SCOPED_TRACE(row.what);
        const QByteArray folder = disk.path() + '/' + QByteArray::number(++number);
        const QByteArray file = folder + "/notes.txt";
        ASSERT_EQ(::mkdir(folder.constData(), 0755), 0);
        QFile old(QString::fromUtf8(file));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        ::chmod(file.constData(), 0640);
        row.make(file);
        struct stat before {};
        ASSERT_EQ(::stat(file.constData(), &before), 0);
        const QByteArray failure = row.unprivileged ? runUnprivileged([&] {
            try {
                save(file, "new");
            } catch (const std::exception& error) {
                return QByteArray(error.what());
            }
            return QByteArray();
        })
                                                    : QByteArray();
        if (!row.unprivileged)
            save(file, "new");
        EXPECT_EQ(failure, QByteArray());
        EXPECT_EQ(contentOf(file), "new");
        struct stat after {};
        ASSERT_EQ(::stat(file.constData(), &after), 0);
        EXPECT_EQ(after.st_ino != before.st_ino, row.replaced);
        EXPECT_TRUE(row.kept(file));
        EXPECT_EQ(namesIn(folder), QStringList{u"notes.txt"_s});
    }
}

// A save killed half way leaves nothing where the file system takes an
// unnamed file. Where it does not, the next save of that file removes the
// temporaries saves of it left, and nothing else: not one still being
// written (it holds a lock), not another file's, not a folder.
TEST(ReplacingOutputFiles, KilledSavesLeaveNothingForLong)
{
    TempTree tree;
    tree.file("out.txt", "old");
    if (const FileDescriptor unnamed(::open(tree.path().constData(), O_TMPFILE | O_WRONLY, 0600)); unnamed.get() >= 0) {
        ReplacingOutputFiles files;
        const std::unique_ptr<OutputFile> file = files.create(tree.path("out.txt"));
        file->write(QByteArray(100000, 'n'));
        file->flush();
        EXPECT_EQ(namesIn(tree.path()), QStringList{u"out.txt"_s});
    }

    const QByteArray longName = QByteArray(255 - 4, 'n') + ".txt";
    const QByteArrayList leftovers{".out.txt.ferrowax-1a2b", ".out.txt.ferrowax-zz9",
        '.' + longName.left(255 - 1 - 14) + ".ferrowax-abcd"};
    const QByteArrayList others{".other.txt.ferrowax-1a2b", "out.txt.ferrowax-1a2b", ".out.txt.ferrowax-",
        ".out.txt.ferrowax-ABC", ".out.txt.ferrowax-live", ".out.txt.ferrowax-dir"};
    tree.file(longName, "old");
    for (const QByteArray& name : leftovers + others)
        tree.file(name, "part");
    QFile::remove(QString::fromUtf8(tree.path(".out.txt.ferrowax-dir")));
    tree.folder(".out.txt.ferrowax-dir");
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
