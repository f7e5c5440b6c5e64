#include "os/windowless_event_pump.h"
#include "walk_engine/posix_file_system.h"
#include "search/names_too_long.h"
#include "search/search_in_files.h"
#include "support/qt_printers.h"
#include "support/recording_file_system.h"
#include "support/recording_walk_host.h"
#include "support/scripted_file_system.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace ferrowax;
using namespace ferrowax::testing;

namespace {

const QString walkLocation = u"in Drovatek2021/08/31.Search.searchInFiles "_s;

std::vector<int> reportedLines(const ScriptedDialogs& boxes)
{
    std::vector<int> lines;
    for (const ShownBox& report : boxes.errorReports()) {
        const qsizetype at = report.text.indexOf(u"at line "_s);
        lines.push_back(report.text.mid(at + 8).section(u'\r', 0, 0).toInt());
    }
    return lines;
}

struct RealTreeWalk : ::testing::Test {
    WindowlessEventPump pump;
    PosixFileSystem fs{pump};
    RecordingWalkHost host{fs, &pump};
    TempTree tree;
    int includeSubfolders = 1;

    // Walks as a search run does, with the folders read ahead.
    std::vector<QByteArray> walk(const ExtensionArray& extensions, const QByteArray& relative = {})
    {
        walkReadingAhead(fs, host, tree.path(relative), extensions, includeSubfolders);
        return host.results;
    }
};

TEST_F(RealTreeWalk, ListsFilesBeforeSubfoldersDepthFirstInListingOrder)
{
    for (const char* name : {"b.txt", "A.txt", "x.jpg", "sub2/c.txt", "Sub1/d.txt", "Sub1/deep/e.txt", "Sub1/f.txt"})
        tree.file(name);
    // What is read ahead is the walk's alone: looking folders up meanwhile,
    // as the folder picker does, takes nothing from it.
    host.onYield = [&](int) {
        for (const char* name : {"Sub1", "Sub1/deep", "sub2"})
            fs.getFolder(tree.path(name));
    };
    EXPECT_EQ(walk({"txt"}),
        (std::vector<QByteArray>{tree.path("A.txt"), tree.path("b.txt"), tree.path("Sub1/d.txt"),
            tree.path("Sub1/f.txt"), tree.path("Sub1/deep/e.txt"), tree.path("sub2/c.txt")}));
    EXPECT_TRUE(host.boxes.shown.empty());
    EXPECT_EQ(host.scrolls, 6);
    // Undisturbed, the walk finds every folder read ahead, in its order.
    EXPECT_EQ(fs.foldersOutsideThePlan(), 0);
    EXPECT_EQ(host.progressTexts,
        (QStringList{u"Processing "_s + QString::fromUtf8(tree.path()),
            u"Processing "_s + QString::fromUtf8(tree.path("Sub1")),
            u"Processing "_s + QString::fromUtf8(tree.path("Sub1/deep")),
            u"Processing "_s + QString::fromUtf8(tree.path("sub2"))}));
}

TEST_F(RealTreeWalk, ComparesExtensionsExactlyAndWithoutWildcards)
{
    for (const char* name : {"report.txt", "REPORT.TXT", "notes.Txt", "archive.tar.gz", "README", "star.*", "t.t?t"})
        tree.file(name);
    EXPECT_EQ(walk({"txt"}), std::vector<QByteArray>{tree.path("report.txt")});
    host.results.clear();
    EXPECT_TRUE(walk({".txt", "tar.gz", "t*t"}).empty());
    EXPECT_EQ(walk({"gz"}), std::vector<QByteArray>{tree.path("archive.tar.gz")});
    host.results.clear();
    EXPECT_EQ(walk({"*", "t?t"}), (std::vector<QByteArray>{tree.path("star.*"), tree.path("t.t?t")}));
}

TEST_F(RealTreeWalk, EachFileIsListedOnceWhateverTheExtensionList)
{
    tree.file("a.txt");
    tree.file("b.TXT");
    EXPECT_EQ(walk({"txt", "TXT", "txt"}), (std::vector<QByteArray>{tree.path("a.txt"), tree.path("b.TXT")}));
}

TEST_F(RealTreeWalk, YieldsOncePerFileAndNeverInATreeWithoutFiles)
{
    tree.folder("empty/deeper/still");
    walk({"txt"}, "empty");
    EXPECT_EQ(host.yields, 0);

    tree.file("one.jpg");
    tree.file("two.txt");
    tree.file("sub/three.png");
    walk({"txt"});
    EXPECT_EQ(host.yields, 3);
}

TEST_F(RealTreeWalk, WithoutSubfoldersFlagOnlyTheTopFolderIsSearched)
{
    tree.file("top.txt");
    tree.file("sub/below.txt");
    includeSubfolders = 0;
    EXPECT_EQ(walk({"txt"}), std::vector<QByteArray>{tree.path("top.txt")});
}

TEST_F(RealTreeWalk, StopBetweenFilesEndsEveryLevel)
{
    for (const char* name : {"deep/1.txt", "deep/2.txt", "deep/3.txt", "deep/4.txt", "deep/inner/5.txt", "later/6.txt"})
        tree.file(name);
    host.onYield = [&](int yieldNumber) {
        if (yieldNumber == 3)
            host.stop = true;
    };
    EXPECT_EQ(walk({"txt"}), (std::vector<QByteArray>{tree.path("deep/1.txt"), tree.path("deep/2.txt")}));
    EXPECT_EQ(host.yields, 3);
    EXPECT_EQ(host.progressTexts.size(), 2);
}

TEST_F(RealTreeWalk, FolderThatVanishedGivesOneReportPerStepThatUsesIt)
{
    walk({"txt"}, "vanished");
    EXPECT_EQ(reportedLines(host.boxes), (std::vector<int>{104, 116, 118, 120, 128, 130, 144, 152, 154, 158}));
    // The first report names the system's reason; later ones the missing folder.
    const std::vector<ShownBox> reports = host.boxes.errorReports();
    EXPECT_TRUE(reports.front().text.startsWith(u"No such file or directory\r\n"_s + walkLocation + u"at line 104"_s));
    for (std::size_t i = 1; i < reports.size(); ++i)
        EXPECT_TRUE(reports[i].text.startsWith(u"Object variable not set\r\n"_s + walkLocation)) << i;
    EXPECT_TRUE(host.results.empty());
}

TEST_F(RealTreeWalk, NamesKeepTheirBytes)
{
    const std::vector<QByteArray> odd{"with space.txt", "new\nline.txt", "caf\xe9.txt", "\xe6\x97\xa5\xe6\x9c\xac.txt"};
    for (const QByteArray& name : odd)
        tree.file("odd/" + name);
    std::vector<QByteArray> expected;
    for (const QByteArray& name : odd)
        expected.push_back(tree.path("odd/" + name));
    std::vector<QByteArray> found = walk({"txt"});
    std::sort(found.begin(), found.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(found, expected);
}

// The same where the file system does not tell entry types (this FUSE one
// does not), read ahead or not.
TEST_F(RealTreeWalk, LinksToFoldersAreNotFollowedSoLoopsEnd)
{
#if defined(__SANITIZE_THREAD__)
    // Qt starts the file system's server in a way the thread checker cannot
    // follow, and it then reports races of the plan's own locked fields.
    const bool tried = false;
#else
    const bool tried = true;
#endif
    const std::optional<RecordingFileSystem> untyped = tried ? std::make_optional<RecordingFileSystem>() : std::nullopt;
    std::vector<QByteArray> roots{tree.path()};
    if (untyped && untyped->mounted())
        roots.push_back(untyped->path());
    for (const QByteArray& root : roots) {
        SCOPED_TRACE(root.constData());
        const auto at = [&root](const char* relative) { return root + '/' + relative; };
        for (const char* folder : {"a", "a/sub"})
            ASSERT_EQ(::mkdir(at(folder).constData(), 0755), 0);
        for (const char* file : {"a/x.txt", "a/sub/y.txt"})
            ASSERT_EQ(::close(::open(at(file).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644)), 0);
        for (const auto& [target, link] : {std::pair{root, "a/back-to-top"}, {at("a"), "a/self"},
                 {at("a/x.txt"), "a/alias.txt"}, {at("a/sub"), "a/sub-link.txt"}})
            ASSERT_EQ(::symlink(target.constData(), at(link).constData()), 0);
        ASSERT_EQ(::mkfifo(at("a/pipe.txt").constData(), 0600), 0);
        for (const bool readAhead : {true, false}) {
            RecordingWalkHost walker(fs, &pump);
            if (readAhead)
                fs.readAheadFrom(root);
            searchInFiles(root, {"txt"}, includeSubfolders, walker);
            EXPECT_EQ(walker.results, (std::vector<QByteArray>{at("a/alias.txt"), at("a/x.txt"), at("a/sub/y.txt")}))
                << readAhead;
        }
        // A folder to search named through a link is the one it leads to.
        RecordingWalkHost throughLink(fs, &pump);
        fs.readAheadFrom(at("a/self"));
        searchInFiles(at("a/self"), {"txt"}, includeSubfolders, throughLink);
        EXPECT_EQ(throughLink.results,
            (std::vector<QByteArray>{at("a/self/alias.txt"), at("a/self/x.txt"), at("a/self/sub/y.txt")}));
    }
    if (!untyped || !untyped->mounted())
        GTEST_SKIP() << "No entry types not tried: "
                     << (untyped ? untyped->whyNot().toStdString() : std::string("under the thread checker"));
}

TEST_F(RealTreeWalk, FileDeletedDuringTheWalkLosesNothingElse)
{
    for (const char* name : {"1.txt", "2.txt", "3.txt", "sub/4.txt", "sub/5.txt"})
        tree.file(name);
    host.onYield = [&](int yieldNumber) {
        if (yieldNumber == 1) {
            ::unlink(tree.path("2.txt").constData());
            ::unlink(tree.path("sub/4.txt").constData());
        }
    };
    std::vector<QByteArray> found = walk({"txt"});
    // The top folder was listed before the deletion; whether its subfolder
    // was depends on how far ahead it was read.
    std::erase(found, tree.path("sub/4.txt"));
    EXPECT_EQ(found,
        (std::vector<QByteArray>{tree.path("1.txt"), tree.path("2.txt"), tree.path("3.txt"), tree.path("sub/5.txt")}));
    EXPECT_TRUE(host.boxes.shown.empty());
}

// Reading ahead is only a way to be quicker: with or without it, and after
// a walk that stopped half way, a walk gives the same results and boxes.
TEST_F(RealTreeWalk, ReadingAheadChangesNothingAWalkShows)
{
    for (int group = 0; group < 6; ++group) {
        for (int folder = 0; folder < 5; ++folder) {
            for (const char* name : {"a.txt", "B.TXT", "c.jpg", ".h.txt"})
                tree.file("g" + QByteArray::number(group) + "/f" + QByteArray::number(folder) + '/' + name);
        }
    }
    tree.folder(".hidden/inner");
    tree.file(".hidden/inner/x.txt");
    tree.symlink(tree.path("g1"), "g0/f0/link-to-g1");
    tree.file("g2/" + QByteArray(250 - tree.path().size(), 'l') + "/too-long-for-the-limit.txt");
    const auto walkRecorded = [&](bool readAhead, std::function<void(int)> onYield = {}) {
        RecordingWalkHost recording(fs, &pump);
        recording.onYield = std::move(onYield);
        if (readAhead)
            fs.readAheadFrom(tree.path());
        searchInFiles(tree.path(), {"txt", "jpg"}, includeSubfolders, recording);
        return std::make_pair(recording.results, recording.boxes.messages());
    };
    const auto inStep = walkRecorded(false);
    ASSERT_EQ(inStep.first.size(), 6U * 5U * 3U + 1U);
    ASSERT_EQ(inStep.second.size(), 1);

    RecordingWalkHost stopped(fs, &pump);
    stopped.onYield = [&](int yieldNumber) { stopped.stop = yieldNumber == 7; };
    walkReadingAhead(fs, stopped, tree.path(), {"txt"}, includeSubfolders);
    // What was read ahead for the stopped walk must not serve another.
    EXPECT_EQ(walkRecorded(false), inStep);
    EXPECT_EQ(walkRecorded(true), inStep);
}

// A search started inside a yield of another, as a nested Start is, takes
// the read-ahead over; the one it interrupted then gets its own folders
// again, not the other's folders of the same names.
TEST_F(RealTreeWalk, AWalkInsideAnotherLeavesItTheFoldersItWalks)
{
    for (const char* name : {"x/a.txt", "x/p/1.txt", "y/a.txt", "y/p/2.txt"})
        tree.file(name);
    RecordingWalkHost nested(fs, &pump);
    nested.onYield = [&](int) { nested.stop = true; };
    host.onYield = [&](int yieldNumber) {
        if (yieldNumber == 1)
            walkReadingAhead(fs, nested, tree.path("y"));
    };
    EXPECT_EQ(walk({"txt"}, "x"), (std::vector<QByteArray>{tree.path("x/a.txt"), tree.path("x/p/1.txt")}));
    EXPECT_TRUE(nested.stop);
}

TEST_F(RealTreeWalk, TwoThousandLevelsDeep)
{
    QByteArray relative = "d";
    for (int level = 1; level < 2000; ++level)
        relative += "/d";
    tree.file(relative + "/bottom.txt");
    tree.file("d/top.txt");
    EXPECT_EQ(walk({"txt"}), std::vector<QByteArray>{tree.path("d/top.txt")});
    EXPECT_EQ(host.progressTexts.size(), 2001);
    // Only the bottom folder holds a file, and its path is far too long.
    ASSERT_EQ(host.boxes.messages().size(), 1);
    EXPECT_TRUE(host.boxes.messages().front().startsWith(u"The length of filenames in folder "_s));
}

TEST_F(RealTreeWalk, FullPathOf260CharactersIsListedAnd261IsNot)
{
    const QByteArray folder = tree.path("limit");
    const auto nameFor = [&](int length) { return QByteArray(length - folder.size() - 1 - 4, 'n') + ".txt"; };
    tree.file("limit/" + nameFor(260));
    tree.file("limit/ok.txt");
    tree.file("limit/sub/below.txt");
    EXPECT_EQ(walk({"txt"}, "limit"),
        (std::vector<QByteArray>{folder + '/' + nameFor(260), tree.path("limit/ok.txt"), tree.path("limit/sub/below.txt")}));
    EXPECT_TRUE(host.boxes.shown.empty());

    host.results.clear();
    tree.file("limit/" + nameFor(261));
    EXPECT_EQ(walk({"txt"}, "limit"), std::vector<QByteArray>{tree.path("limit/sub/below.txt")});
    EXPECT_EQ(host.boxes.messages(),
        QStringList{u"The length of filenames in folder "_s + QString::fromUtf8(folder)
            + u"/ is too long. \r\nThe maximum folder length is 260 symbols. \r\nPlease move subfolders to a small folder."_s});
    EXPECT_EQ(host.boxes.shown.front().style, 0);
}

// Characters beyond the first plane take four bytes and two UTF-16 units,
// yet each counts as one.
TEST_F(RealTreeWalk, LengthIsCountedInCharactersNotBytesNorUtf16Units)
{
    const QByteArray camera = "\xf0\x9f\x93\xb7";
    QByteArray name;
    for (int i = 0; i < 20; ++i)
        name += camera;
    const QByteArray relative = "wide/" + QByteArray(260 - tree.path().size() - 1 - 5 - 1 - 24, 'w');
    const QByteArray path = tree.path(relative) + '/' + name + ".txt";
    tree.file(relative + '/' + name + ".txt");
    ASSERT_EQ(QString::fromUtf8(path).toUcs4().size(), 260);
    EXPECT_EQ(walk({"txt"}, relative), std::vector<QByteArray>{path});
    EXPECT_TRUE(host.boxes.shown.empty());

    host.results.clear();
    tree.file(relative + '/' + name + "x.txt"); // 261
    EXPECT_TRUE(walk({"txt"}, relative).empty());
    EXPECT_EQ(host.boxes.messages().size(), 1);
}

struct ScriptedTreeWalk : ::testing::Test {
    ScriptedFileSystem fs;
    RecordingWalkHost host{fs};
    int includeSubfolders = 1;

    void walk(const QByteArray& path) { searchInFiles(path, {"txt"}, includeSubfolders, host); }
};

TEST_F(ScriptedTreeWalk, ProtectedFoldersAreSkippedUnlessTheyAreRoots)
{
    fs.addFolder("/r", 22, true);
    fs.addFile("/r/root.txt");
    fs.addFolder("/r/system", 22);
    fs.addFile("/r/system/hidden.txt");
    fs.addFolder("/r/system/below", 16);
    fs.addFile("/r/system/below/deeper.txt");
    fs.addFolder("/r/hidden", 18);
    fs.addFile("/r/hidden/h.txt");
    fs.addFolder("/r/archived", 54);
    fs.addFile("/r/archived/a.txt");
    fs.addFolder("/r/sysdir", 20);
    fs.addFile("/r/sysdir/s.txt");

    walk("/r");
    EXPECT_EQ(host.results, (std::vector<QByteArray>{"/r/root.txt", "/r/hidden/h.txt", "/r/archived/a.txt", "/r/sysdir/s.txt"}));
    EXPECT_TRUE(host.progressTexts.contains(u"Processing /r/system"_s));
    EXPECT_FALSE(host.progressTexts.contains(u"Processing /r/system/below"_s));
    EXPECT_TRUE(host.boxes.shown.empty());

    // The root's paths have one separator after it, as any folder's do.
    fs.addFolder("/", 22, true);
    fs.addFile("/top.txt");
    fs.addFolder("/under");
    fs.addFile("/under/u.txt");
    host.results.clear();
    walk("/");
    EXPECT_EQ(host.results, (std::vector<QByteArray>{"/top.txt", "/under/u.txt"}));
}

TEST_F(ScriptedTreeWalk, ProtectedTopLevelFolderIsSkipped)
{
    fs.addFolder("/proc", 22);
    fs.addFile("/proc/x.txt");
    walk("/proc");
    EXPECT_TRUE(host.results.empty());
    EXPECT_EQ(host.progressTexts, QStringList{u"Processing /proc"_s});
}

TEST_F(ScriptedTreeWalk, RefusedListingShowsTheLengthMessageAndReportsTheSubfolderLoop)
{
    fs.addFolder("/r");
    fs.addFolder("/r/locked");
    fs.addFile("/r/locked/secret.txt");
    fs.addFolder("/r/open");
    fs.addFile("/r/open/o.txt");
    fs.refuseListing("/r/locked", u"Permission denied"_s);

    walk("/r");
    EXPECT_EQ(host.results, std::vector<QByteArray>{"/r/open/o.txt"});
    ASSERT_EQ(host.boxes.messages().size(), 3);
    EXPECT_TRUE(host.boxes.messages()[0].startsWith(u"The length of filenames in folder /r/locked/ is too long."_s));
    EXPECT_EQ(reportedLines(host.boxes), (std::vector<int>{154, 158}));
    EXPECT_TRUE(host.boxes.errorReports().front().text.startsWith(u"Permission denied\r\n"_s));
}

} // namespace
