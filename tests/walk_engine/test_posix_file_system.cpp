#include "os/failure.h"
#include "os/windowless_event_pump.h"
#include "walk_engine/posix_file_system.h"
#include "support/failure_text.h"
#include "support/qt_printers.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace ferrowax;
using ferrowax::testing::failureOf;
using ferrowax::testing::TempTree;

namespace {

// Nothing here walks, so nothing waits on it.
WindowlessEventPump pump;

std::vector<QByteArray> namesOf(const std::vector<FolderItem>& items)
{
    std::vector<QByteArray> names;
    for (const FolderItem& item : items)
        names.push_back(item.name().toByteArray());
    return names;
}

// Root reads every folder, so permission checks run in a child that has
// given up root. Answers the child's exit code.
int runUnprivileged(const std::function<int()>& check)
{
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(90);
        ::_exit(check());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 91;
}

TEST(PosixFileSystem, FolderThatIsNotThereFailsWithTheSystemTextAndItsPath)
{
    const PosixFileSystem fs(pump);
    TempTree tree;
    tree.file("plain.txt");
    EXPECT_EQ(failureOf([&] { fs.getFolder(tree.path("missing")); }),
        QString::fromUtf8(tree.path("missing") + ": No such file or directory"));
    EXPECT_EQ(failureOf([&] { fs.getFolder(tree.path("plain.txt")); }),
        QString::fromUtf8(tree.path("plain.txt") + ": Not a directory"));
    EXPECT_FALSE(failureOf([&] { fs.getFolder(QByteArray()); }).isEmpty());
}

TEST(PosixFileSystem, FolderReportsPathAttributesAndRoot)
{
    const PosixFileSystem fs(pump);
    TempTree tree;
    tree.folder("plain");
    tree.folder(".hidden");

    const Folder plain = fs.getFolder(tree.path("plain/"));
    EXPECT_EQ(plain.path(), tree.path("plain"));
    EXPECT_EQ(plain.attributes(), 16);
    EXPECT_FALSE(plain.isRootFolder());
    EXPECT_EQ(fs.getFolder(tree.path(".hidden")).attributes(), 18);

    const Folder root = fs.getFolder("/");
    EXPECT_EQ(root.path(), "/");
    EXPECT_TRUE(root.isRootFolder());
    EXPECT_EQ(root.attributes(), 16);
}

TEST(PosixFileSystem, KernelFileSystemTopReportsSystemHiddenDirectory)
{
    const PosixFileSystem fs(pump);
    EXPECT_EQ(fs.getFolder("/proc").attributes(), 22);
    EXPECT_FALSE(fs.getFolder("/proc").isRootFolder());
    EXPECT_EQ(fs.getFolder("/proc/self").attributes(), 16);
}

TEST(PosixFileSystem, ListsFilesAndFoldersInCaseInsensitiveOrder)
{
    const PosixFileSystem fs(pump);
    TempTree tree;
    for (const char* name : {"b.txt", "A.jpg", "a.TXT", "c"})
        tree.file(name);
    tree.folder("Zeta");
    tree.folder("alpha");
    tree.folder(".git");

    const Folder folder = fs.getFolder(tree.path());
    EXPECT_EQ(namesOf(folder.files()), (std::vector<QByteArray>{"A.jpg", "a.TXT", "b.txt", "c"}));
    EXPECT_EQ(namesOf(folder.sharedListing()->subFolders()), (std::vector<QByteArray>{".git", "alpha", "Zeta"}));
}

TEST(PosixFileSystem, LinksToFilesAreFilesAndOtherLinksAreNothing)
{
    const PosixFileSystem fs(pump);
    TempTree tree;
    tree.file("real.txt");
    tree.folder("sub");
    tree.symlink(tree.path("real.txt"), "link.txt");
    tree.symlink(tree.path("sub"), "folderlink");
    tree.symlink(tree.path("gone.txt"), "dangling.txt");
    tree.symlink(tree.path("loop"), "loop");
    ASSERT_EQ(::mkfifo(tree.path("pipe.txt").constData(), 0600), 0);

    const Folder folder = fs.getFolder(tree.path());
    EXPECT_EQ(namesOf(folder.files()), (std::vector<QByteArray>{"link.txt", "real.txt"}));
    EXPECT_EQ(namesOf(folder.sharedListing()->subFolders()), (std::vector<QByteArray>{"sub"}));
}

TEST(PosixFileSystem, ListingKeepsHiddenNamesAndEverythingElseApart)
{
    const PosixFileSystem fs(pump);
    TempTree tree;
    tree.file(".profile");
    tree.file("..x");
    tree.file("a.txt");
    tree.folder("sub");
    tree.folder("..keep");
    tree.symlink(tree.path("nowhere"), "dangling");
    const std::shared_ptr<const FolderListing> listing = fs.listFolder(tree.path() + '/');
    EXPECT_EQ(namesOf(listing->files()), (std::vector<QByteArray>{"..x", ".profile", "a.txt"}));
    EXPECT_EQ(namesOf(listing->subFolders()), (std::vector<QByteArray>{"..keep", "sub"}));
    EXPECT_EQ(namesOf(listing->others()), std::vector<QByteArray>{"dangling"});
}

TEST(PosixFileSystem, OneReadingServesTheFolderLastOpenedOnly)
{
    const PosixFileSystem fs(pump);
    TempTree tree;
    tree.file("a/one.txt");
    tree.file("a/sub/x");
    tree.file("b/two.txt");
    const Folder a = fs.takeWalkedFolder(tree.path("a"));
    const std::shared_ptr<const FolderListing> checked = fs.listFolder(tree.path("a") + '/');
    tree.file("a/late.txt");
    EXPECT_EQ(namesOf(a.files()), std::vector<QByteArray>{"one.txt"});
    EXPECT_EQ(namesOf(a.sharedListing()->subFolders()), std::vector<QByteArray>{"sub"});
    EXPECT_EQ(namesOf(fs.listFolder(tree.path("b"))->files()), std::vector<QByteArray>{"two.txt"});

    // Entering a folder again reads it afresh.
    fs.takeWalkedFolder(tree.path("a"));
    EXPECT_EQ(namesOf(fs.listFolder(tree.path("a"))->files()), (std::vector<QByteArray>{"late.txt", "one.txt"}));
}

TEST(PosixFileSystem, NamesStayTheBytesTheSystemGave)
{
    const PosixFileSystem fs(pump);
    TempTree tree;
    const QByteArray odd("caf\xe9 new\nline.txt");
    tree.file(odd);
    const Folder folder = fs.getFolder(tree.path());
    ASSERT_EQ(folder.files().size(), 1U);
    EXPECT_EQ(folder.files().front().name(), odd);
    EXPECT_EQ(folder.files().front().extension(), "txt");
}

TEST(PosixFileSystem, ExtensionIsTheTextAfterTheLastFullStop)
{
    FolderListing root;
    for (const char* name : {"archive.tar.gz", "README", "trailing.", ".bashrc", "x.txt"})
        root.add(FolderListing::Kind::File, name);
    const auto extensionOf = [&](int item) { return root.files()[static_cast<std::size_t>(item)].extension().toByteArray(); };
    EXPECT_EQ(extensionOf(0), "gz");
    EXPECT_EQ(extensionOf(1), "");
    EXPECT_EQ(extensionOf(2), "");
    EXPECT_EQ(extensionOf(3), "bashrc");
}

TEST(PosixFileSystem, NoCurrentItemFailsOnEveryUse)
{
    const FolderItem none;
    EXPECT_THROW(none.requirePresent(), Failure);
    EXPECT_THROW(none.name(), Failure);
    EXPECT_THROW(none.extension(), Failure);
    const Folder noFolder;
    EXPECT_THROW(noFolder.attributes(), Failure);
    EXPECT_THROW(noFolder.files(), Failure);
}

TEST(PosixFileSystem, UnreadableFolderOpensButItsListingFails)
{
    TempTree tree;
    tree.file("locked/inside.txt");
    ASSERT_EQ(::chmod(tree.path().constData(), 0755), 0);
    ASSERT_EQ(::chmod(tree.path("locked").constData(), 0311), 0);

    const QByteArray locked = tree.path("locked");
    tree.symlink(locked, "linked");
    const QByteArray linked = tree.path("linked");
    const int exitCode = runUnprivileged([&] {
        const PosixFileSystem fs(pump);
        const Folder folder = fs.getFolder(locked);
        if (folder.attributes() != 16)
            return 1;
        if (failureOf([&] { folder.files(); }) != QString::fromUtf8(locked + ": Permission denied"))
            return 2;
        // Also when read ahead, and named through a link.
        const FolderReading read = readFolder({linked, nullptr, nullptr});
        if (read.facts.attributes != 16 || !read.listingFailure
            || read.listingFailure->description() != u"Permission denied"_s)
            return 3;

        return 0;
    });
    ::chmod(tree.path("locked").constData(), 0755);
    EXPECT_EQ(exitCode, 0);
}

TEST(PosixFileSystem, ModificationTimeOfMissingFileFails)
{
    const PosixFileSystem fs(pump);
    TempTree tree;
    tree.file("here");
    EXPECT_TRUE(IsFilePresent(fs, tree.path("here")));
    EXPECT_TRUE(IsFilePresent(fs, tree.path()));
    EXPECT_FALSE(IsFilePresent(fs, tree.path("absent")));
    EXPECT_FALSE(IsFilePresent(fs, QByteArray()));
}

} // namespace
