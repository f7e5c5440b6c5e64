#include "walk_engine/folder_descriptors.h"
#include "support/failure_text.h"
#include "support/qt_printers.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace ferrowax;
using ferrowax::testing::failureOf;
using ferrowax::testing::TempTree;

namespace {

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

}

// A walk holds a sixteenth of the descriptor limit, at least two and at
// most 64: the rest is for the readers, which hold a few more each while
// they read, and for the rest of the program.
TEST(FolderDescriptors, AWalkHoldsASixteenthOfTheLimitWithinBounds)
{
    rlimit limit {};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limit), 0);
    const struct {
        rlim_t limit;
        std::size_t held;
    } rows[] = {{5, 2}, {47, 2}, {48, 3}, {160, 10}, {1023, 63}, {1024, 64}, {4096, 64}};
    for (const auto& row : rows) {
        if (row.limit > limit.rlim_max)
            continue; // the hard limit is not raised here
        const rlimit low{row.limit, limit.rlim_max};
        ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
        const std::size_t held = folderDescriptorsToHold();
        ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &limit), 0);
        EXPECT_EQ(held, row.held) << row.limit;
    }
}

} // namespace
