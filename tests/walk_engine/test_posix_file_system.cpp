#include "os/failure.h"
#include "os/windowless_event_pump.h"
#include "walk_engine/folder_descriptors.h"
#include "walk_engine/posix_file_system.h"
#include "support/qt_printers.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace ferrowax;
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

// The failure's description, after the path it concerns where it names one.
QString failureOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Failure& failure) {
        return failure.path().isEmpty() ? failure.description()
                                        : QString::fromUtf8(failure.path()) + u": "_s + failure.description();
    }
    return {};
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
    EXPECT_EQ(namesOf(folder.subFolders()), (std::vector<QByteArray>{".git", "alpha", "Zeta"}));
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
    EXPECT_EQ(namesOf(folder.subFolders()), (std::vector<QByteArray>{"sub"}));
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
    EXPECT_EQ(namesOf(a.subFolders()), std::vector<QByteArray>{"sub"});
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
        const FolderReading read = readFolder({linked, nullptr, nullptr}, EntryTypes::Reported);
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

// A walk holds its top open and a few folders besides, those used last;
// any other is opened again from the nearest one still open above it (the
// top's path only once the top was let go), one name at a time, never
// through a link and never into another folder that took a name meanwhile;
// or climbed to from a folder below it, as find does.
TEST(FolderDescriptors, HoldTheTopAndTheFewUsedLastAndReachTheRestAgainCheckingEachFolder)
{
    TempTree tree;
    tree.folder("a/b/c");
    tree.folder("other/b/c");
    const auto opened = [&](const QByteArray& relative) {
        return std::make_shared<const FileDescriptor>(::open(tree.path(relative).constData(), O_RDONLY | O_DIRECTORY));
    };
    const auto identity = [&](const QByteArray& relative) {
        struct stat st {};
        ::stat(tree.path(relative).constData(), &st);
        return FolderIdentity{st.st_dev, st.st_ino};
    };
    const auto sameFolder = [&](const std::shared_ptr<const FileDescriptor>& descriptor, const QByteArray& relative) {
        struct stat got {};
        return descriptor && ::fstat(descriptor->get(), &got) == 0 && FolderIdentity{got.st_dev, got.st_ino} == identity(relative);
    };
    FolderDescriptors held(2);
    const auto top = held.keep(nullptr, tree.path(), opened({}), 1, identity({}), 0);
    const auto a = held.keep(top, "a", opened("a"), 2, identity("a"), 0);
    const auto b = held.keep(a, "b", opened("a/b"), 2, identity("a/b"), 0);
    EXPECT_EQ(held.held(), 3U);
    RouteToFolder route;
    ASSERT_NE(held.descriptorOf(*a, route), nullptr); // used last, so kept
    const auto c = held.keep(b, "c", opened("a/b/c"), 1, identity("a/b/c"), 0);
    EXPECT_EQ(held.held(), 3U);
    EXPECT_EQ(held.descriptorOf(*b, route), nullptr);
    EXPECT_TRUE(sameFolder(held.descriptorOf(*a, route), "a"));
    EXPECT_TRUE(sameFolder(held.descriptorOf(*top, route), {}));
    EXPECT_EQ(held.subFolderTaken(*top), nullptr);
    EXPECT_TRUE(top->descriptor); // for the whole walk

    held.letAllGo(false);
    EXPECT_EQ(held.held(), 1U);
    EXPECT_EQ(held.descriptorOf(*c, route), nullptr);
    ASSERT_EQ(route.steps.size(), 3U);
    EXPECT_TRUE(sameFolder(route.from, {}));
    EXPECT_TRUE(sameFolder(openRoute(route), "a/b/c"));
    held.letAllGo();
    EXPECT_EQ(held.held(), 0U);
    EXPECT_EQ(held.descriptorOf(*c, route), nullptr);
    EXPECT_EQ(route.top.name, tree.path());
    EXPECT_EQ(route.steps.back().name, "c");
    const std::shared_ptr<const FileDescriptor> reopened = openRoute(route);
    EXPECT_TRUE(sameFolder(reopened, "a/b/c"));
    held.reopened(c, reopened);
    EXPECT_EQ(held.held(), 1U);

    // From c, the last of whose subfolders is taken, a reader climbs to b,
    // whose descriptor was let go while its other subfolder waits.
    EXPECT_EQ(held.subFolderTaken(*c), b.get());
    EXPECT_EQ(held.held(), 0U);
    EXPECT_TRUE(sameFolder(climb(*c, reopened, *b), "a/b"));
    EXPECT_TRUE(sameFolder(climb(*c, reopened, *top), {}));
    EXPECT_EQ(held.subFolderTaken(*b), nullptr);
    EXPECT_EQ(held.subFolderTaken(*b), a.get());

    // Beyond its share, one that a reader below will climb back to goes
    // first, before one used longer ago that only a path from above leads to.
    FolderDescriptors few(2);
    const auto root = few.keep(nullptr, tree.path(), opened({}), 2, identity({}), 0);
    const auto untouched = few.keep(root, "other", opened("other"), 1, identity("other"), 0);
    const auto descending = few.keep(root, "a", opened("a"), 1, identity("a"), 0);
    const auto below = few.keep(descending, "b", opened("a/b"), 1, identity("a/b"), 0);
    EXPECT_TRUE(untouched->descriptor);
    EXPECT_FALSE(descending->descriptor);
    // The one to climb to is the nearest folder above with subfolders left,
    // past those with none.
    const auto bottom = few.keep(below, "c", nullptr, 1, identity("a/b/c"), 0);
    EXPECT_EQ(few.subFolderTaken(*below), descending.get());
    EXPECT_EQ(descending->descending, 0);
    EXPECT_EQ(few.subFolderTaken(*bottom), descending.get());

    // b moved elsewhere and another folder took its name: neither way leads
    // into the other one; a link in its place is never followed.
    ASSERT_EQ(::rename(tree.path("a/b").constData(), tree.path("other/b-was").constData()), 0);
    ASSERT_EQ(::rename(tree.path("other/b").constData(), tree.path("a/b").constData()), 0);
    held.letAllGo();
    held.descriptorOf(*c, route);
    EXPECT_EQ(failureOf([&] { openRoute(route); }), u"No such file or directory"_s);
    EXPECT_EQ(climb(*c, reopened, *a), nullptr);
    ASSERT_EQ(::rename(tree.path("a/b").constData(), tree.path("other/b").constData()), 0);
    tree.symlink(tree.path("other/b-was"), "a/b");
    EXPECT_FALSE(failureOf([&] { openRoute(route); }).isEmpty());

    // Under a low limit, a small share of it: the rest is for the readers
    // and the program.
    rlimit limit {};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limit), 0);
    const rlimit low{std::min<rlim_t>(160, limit.rlim_max), limit.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    const std::size_t toHold = folderDescriptorsToHold();
    ::setrlimit(RLIMIT_NOFILE, &limit);
    EXPECT_LE(toHold, low.rlim_cur / 8);
}

} // namespace
