// The walk over folders read on other threads, with the timing made hostile:
// folders from a few entries to hundreds of thousands, slow ones, failing
// ones, a reader stuck while the walk is stopped. Whatever the timing, the
// walk must show what a walk reading each folder in step shows, and end.
#include "os/failure.h"
#include "os/windowless_event_pump.h"
#include "search/search_in_files.h"
#include "support/hang_guard.h"
#include "support/qt_printers.h"
#include "support/recording_walk_host.h"
#include "support/temp_tree.h"
#include "support/tmpfs_mount.h"
#include "walk_engine/posix_file_system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <set>
#include <thread>

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace ferrowax;
using namespace ferrowax::testing;

namespace {

// A readable folder at `path` holding what `fill` adds to its listing.
FolderReading folderOf(const QByteArray& path, const std::function<void(FolderListing&)>& fill)
{
    FolderReading reading;
    reading.facts = {path, Attribute::Directory, false, {}};
    reading.listing = std::make_shared<FolderListing>();
    fill(*reading.listing);
    reading.listing->sortSubFolders();
    reading.listing->sortFilesAndOthers();
    return reading;
}

// A tree that exists only as a rule: each folder's size, how long it takes
// to read and whether it fails follow from the seed and its path, so every
// walk of one seed meets the same tree.
class ScriptedDisk {
public:
    explicit ScriptedDisk(std::uint64_t seed)
        : seed_(seed)
    {
    }

    FolderReading readSlowly(const FolderToRead& folder) const
    {
        std::this_thread::sleep_for(shapeOf(folder.path()).delay);
        return read(folder.path());
    }

    FolderReading read(const QByteArray& path) const
    {
        const Shape shape = shapeOf(path);
        FolderReading failed;
        if (shape.factsFail) {
            failed.factsFailure = Failure(u"Input/output error"_s);
            return failed;
        }
        failed.facts = {path, Attribute::Directory, false, {}};
        if (shape.listingFails) {
            failed.listingFailure = Failure(u"Permission denied"_s);
            return failed;
        }
        return folderOf(path, [&](FolderListing& listing) {
            for (int file = 0; file < shape.files; ++file) {
                char name[16];
                const int length = std::snprintf(name, sizeof name, "f%d.%s", file, file % 997 == 0 ? "txt" : "dat");
                listing.add(FolderListing::Kind::File, QByteArrayView(name, length));
            }
            for (int folder = 0; folder < shape.subFolders; ++folder)
                listing.add(FolderListing::Kind::Folder, "d" + QByteArray::number(folder));
        });
    }

private:
    struct Shape {
        int files = 0;
        int subFolders = 0;
        std::chrono::microseconds delay{0};
        bool factsFail = false;
        bool listingFails = false;
    };

    Shape shapeOf(const QByteArray& path) const
    {
        std::mt19937_64 random(seed_ ^ std::hash<std::string>{}(path.toStdString()));
        const auto chance = [&](double p) { return std::uniform_real_distribution<>(0, 1)(random) < p; };
        const auto between = [&](int low, int high) { return std::uniform_int_distribution<>(low, high)(random); };
        const auto depth = static_cast<int>(path.count('/'));
        Shape shape;
        // A few folders far larger than the read-ahead's budget, where
        // they hurt most: near the top, beside folders still to be read.
        shape.files = depth <= 3 && chance(0.1) ? between(200'000, 400'000) : chance(0.3) ? 0 : between(0, 40);
        shape.subFolders = depth == 1 ? between(3, 6) : depth < 5 && !chance(0.35) ? between(1, 5) : 0;
        shape.delay = std::chrono::microseconds(chance(0.1) ? between(10'000, 60'000) : between(0, 200));
        shape.factsFail = depth > 1 && chance(0.03);
        shape.listingFails = depth > 1 && chance(0.03);
        return shape;
    }

    std::uint64_t seed_;
};

// The same tree, each folder read when the walk asks for it.
class InStepFileSystem final : public FileSystem {
public:
    explicit InStepFileSystem(const ScriptedDisk& disk)
        : disk_(disk)
    {
    }

    Folder getFolder(const QByteArray& path) const override
    {
        opened_ = disk_.read(path);
        if (opened_.factsFailure)
            throw *opened_.factsFailure;
        return Folder(*this, opened_.facts.path, opened_.facts.attributes, opened_.facts.isRootFolder);
    }
    std::shared_ptr<const FolderListing> listFolder(const QByteArray& folderPath) const override
    {
        if (opened_.listingFailure)
            throw *opened_.listingFailure;
        EXPECT_TRUE(folderPath == opened_.facts.path || folderPath == opened_.facts.path + '/') << folderPath.toStdString();
        return opened_.listing;
    }
    QDateTime lastModified(const QByteArray&) const override { throw Failure(u"Not scripted"_s); }
    bool isNormalFile(const QByteArray&) const override { return false; }
    QByteArray readFile(const QByteArray&) const override { throw Failure(u"Not scripted"_s); }

private:
    const ScriptedDisk& disk_;
    mutable FolderReading opened_;
};

struct Walked {
    std::vector<QByteArray> results;
    QStringList messages;
    QStringList progressTexts;
    bool operator==(const Walked&) const = default;
};

Walked walked(const RecordingWalkHost& host)
{
    return {host.results, host.boxes.messages(), host.progressTexts};
}

// What a walk of `top` shows that reads each folder of `disk` in step.
Walked walkedInStep(const ScriptedDisk& disk, const QByteArray& top)
{
    const InStepFileSystem inStep(disk);
    RecordingWalkHost host(inStep);
    searchInFiles(top, {"txt"}, 1, host);
    return walked(host);
}

// Waits up to half a minute for all readers but `running` to end.
void waitForReaders(int running = 0)
{
    for (int wait = 0; wait < 3000 && FolderReadAhead::readersRunning() > running; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(FolderReadAhead::readersRunning(), running);
}

// As a reader stuck in the kernel, or a person waiting to press Stop, waits.
void spinUntil(const std::function<bool()>& done)
{
    while (!done())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// Stop pressed in a wait for a folder once `ready`.
void stopOnceReady(RecordingWalkHost& host, EventPump& pump, const std::function<bool()>& ready)
{
    spinUntil(ready);
    host.stop = true;
    pump.wake();
}

// Folders far larger than the read-ahead's budget finish before folders in
// front of them; slow folders hold readers; failing ones are reported.
// Every walk must give what the in-step walk gives, serve every folder from
// the plan, and end: a walk that waits for a folder nobody reads never
// would, and the guard ends the test program.
TEST(WalkOverReaders, RandomTreesGiveWhatTheInStepWalkGives)
{
    const HangGuard guard(300);
#if defined(__SANITIZE_THREAD__)
    // Ten times slower there: a third of the trees, each as large, keeps it
    // within a few minutes on a loaded machine.
    constexpr std::uint64_t seeds = 4;
#else
    constexpr std::uint64_t seeds = 12;
#endif
    for (std::uint64_t seed = 1; seed <= seeds; ++seed) {
        SCOPED_TRACE(seed);
        const auto disk = std::make_shared<const ScriptedDisk>(seed);
        const Walked expected = walkedInStep(*disk, "/s");

        WindowlessEventPump pump;
        const PosixFileSystem fs(pump, [disk](const FolderToRead& folder) { return disk->readSlowly(folder); });
        // A walk stopped while it waits leaves readers at work; the next
        // walk must see nothing of what they bring back.
        RecordingWalkHost stopped(fs, &pump);
        qsizetype enteredBeforeStop = -1;
        stopped.onWait = [&](int waitNumber) {
            if (waitNumber != static_cast<int>(seed % 5) + 1)
                return;
            stopped.stop = true;
            enteredBeforeStop = stopped.progressTexts.size();
        };
        walkReadingAhead(fs, stopped, "/s");
        // Stop during a wait, where no file lies between the folders: no
        // folder is entered after it.
        if (stopped.stop) {
            EXPECT_EQ(stopped.progressTexts.size(), enteredBeforeStop);
        }

        RecordingWalkHost host(fs, &pump);
        walkReadingAhead(fs, host, "/s");
        EXPECT_EQ(walked(host), expected);
        EXPECT_EQ(fs.foldersOutsideThePlan(), 0);
        EXPECT_GT(host.waits, 0);
        // Each wait ends when the folder waited for is read, not at once.
        EXPECT_LE(host.waits, 2 * host.progressTexts.size() + 2);
    }
    waitForReaders();
}

// A reader that cannot get memory for a folder, or that finds it swapped
// for a link while it waits in the plan, hands the walk that folder's
// failure; the walk goes on, and the tree the link leads to is not walked.
TEST(WalkOverReaders, FolderThatCannotBeReadIsReportedAndTheWalkGoesOn)
{
    std::atomic<bool> swapped = false;
    const struct {
        const char* what;
        std::vector<QByteArray> files;
        std::function<void(const FolderToRead&)> beforeRead;
        std::function<void(TempTree&, RecordingWalkHost&)> onWait;
        std::vector<QByteArray> results;
        QString report = {};
    } cases[] = {
        {"out of memory", {"d0/a.txt", "d1/b.txt", "d2/c.txt"},
            [](const FolderToRead& folder) {
                if (folder.path().endsWith("/d1"))
                    throw std::bad_alloc();
            },
            {}, {"d0/a.txt", "d2/c.txt"}, u"Cannot allocate memory\r\n"_s},
        {"swapped for a link", {"a.txt", "b/inside.txt", "elsewhere/secret.txt"},
            [&](const FolderToRead& folder) { spinUntil([&] { return !folder.path().endsWith("/b") || swapped; }); },
            [&](TempTree& tree, RecordingWalkHost& host) {
                if (!swapped && host.progressTexts.last().endsWith(u"/b"_s)) {
                    ASSERT_EQ(::rename(tree.path("b").constData(), tree.path("b-was").constData()), 0);
                    tree.symlink(tree.path("elsewhere"), "b");
                    swapped = true;
                }
            },
            {"a.txt", "elsewhere/secret.txt"}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        TempTree tree;
        std::vector<QByteArray> expected;
        for (const QByteArray& name : row.files)
            tree.file(name);
        for (const QByteArray& name : row.results)
            expected.push_back(tree.path(name));
        WindowlessEventPump pump;
        const PosixFileSystem fs(pump, [&](const FolderToRead& folder) {
            row.beforeRead(folder);
            return readFolder(folder);
        });
        RecordingWalkHost host(fs, &pump);
        if (row.onWait)
            host.onWait = [&](int) { row.onWait(tree, host); };
        walkReadingAhead(fs, host, tree.path());
        EXPECT_EQ(host.results, expected);
        ASSERT_FALSE(host.boxes.errorReports().empty());
        EXPECT_TRUE(host.boxes.errorReports().front().text.startsWith(row.report));
        EXPECT_TRUE(host.boxes.errorReports().front().text.contains(u"at line 104"_s));
        waitForReaders();
    }
    EXPECT_TRUE(swapped);
}

// A folder that never answers: the walk waits handling events, takes Stop
// at once and reports nothing of that folder, and a new walk is served by
// new readers meanwhile. Start and Stop again and again send no second
// reader into the stuck folder, so none piles up; once it answers, it is
// read again.
TEST(WalkOverReaders, StopDoesNotWaitForAStuckReader)
{
    std::atomic<int> entered = 0;
    std::atomic<bool> released = false;
    const auto disk = std::make_shared<const ScriptedDisk>(3);
    WindowlessEventPump pump;
    const PosixFileSystem fs(pump, [&entered, &released, disk](const FolderToRead& folder) {
        if (folder.path() == "/s/d0") {
            ++entered;
            spinUntil([&] { return released.load(); });
        }
        return disk->read(folder.path());
    });
    for (int search = 0; search < 5; ++search) {
        RecordingWalkHost stuck(fs, &pump);
        // Stop pressed while the walk waits for the folder a reader is stuck in.
        stuck.onWait = [&](int) { stopOnceReady(stuck, pump, [&] { return entered > 0; }); };
        const auto started = std::chrono::steady_clock::now();
        walkReadingAhead(fs, stuck, "/s/d0");
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
        EXPECT_EQ(stuck.progressTexts, QStringList{u"Processing /s/d0"_s});
        EXPECT_TRUE(stuck.boxes.shown.empty());
    }
    EXPECT_EQ(entered, 1);
    // A stopped walk's plan reads nothing more: its readers end, but for
    // the one stuck, which would read the folder again once it answers.
    waitForReaders(1);

    RecordingWalkHost next(fs, &pump);
    walkReadingAhead(fs, next, "/s/d1");
    EXPECT_FALSE(next.progressTexts.isEmpty());
    waitForReaders(1); // the stuck one, abandoned

    // It answers while a new walk waits for it: that walk is woken and the
    // folder read again for it.
    RecordingWalkHost again(fs, &pump);
    again.onWait = [&](int) { released = true; };
    walkReadingAhead(fs, again, "/s/d0");
    EXPECT_EQ(walked(again), walkedInStep(*disk, "/s/d0"));
    EXPECT_EQ(entered, 2);
    waitForReaders();

    // The folders a stopped walk held open are let go, though a reader
    // stuck in it keeps its plan alive: q, with subfolders still to read.
    TempTree tree;
    tree.folder("p/stuck");
    for (int folder = 0; folder < 300; ++folder)
        tree.folder("q/r" + QByteArray::number(folder));
    std::atomic<bool> inQ = false;
    released = false;
    {
        const PosixFileSystem real(pump, [&](const FolderToRead& folder) {
            inQ = inQ || folder.path().contains("/q/");
            spinUntil([&] { return !folder.path().endsWith("/stuck") || released; });
            return readFolder(folder);
        });
        RecordingWalkHost stopped(real, &pump);
        stopped.onWait = [&](int) {
            if (stopped.progressTexts.last().endsWith(u"/stuck"_s))
                stopOnceReady(stopped, pump, [&] { return inQ.load(); });
        };
        walkReadingAhead(real, stopped, tree.path());
        ASSERT_TRUE(stopped.stop);
    }
    waitForReaders(1);
    int heldInQ = 0;
    for (const auto& descriptor : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code unreadable;
        heldInQ += std::filesystem::read_symlink(descriptor, unreadable).string() == tree.path("q").toStdString();
    }
    EXPECT_EQ(heldInQ, 0);

    // A folder of the same name elsewhere is another folder: read at once,
    // while the stuck one is let out only after a long while.
    tree.file("r/stuck/x.txt");
    std::thread letOut([&] {
        for (int wait = 0; wait < 2000 && !released; ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        released = true;
    });
    {
        const PosixFileSystem other(pump);
        RecordingWalkHost elsewhere(other, &pump);
        walkReadingAhead(other, elsewhere, tree.path("r"));
        EXPECT_FALSE(released) << "the walk waited for the stuck folder";
        EXPECT_EQ(elsewhere.results, std::vector<QByteArray>{tree.path("r/stuck/x.txt")});
    }
    released = true;
    letOut.join();
    waitForReaders();
}

// While reads wait on the device, readers are added, up to a fixed number
// however slow the disk; and a folder far larger than the read-ahead's
// budget holds reading ahead back only until the walk has taken it.
TEST(WalkOverReaders, ReadersAndBudgetStayWithinTheirLimits)
{
    std::atomic<int> reading = 0;
    std::atomic<int> mostAtOnce = 0;
    const auto wide = [](const QByteArray& path) {
        return folderOf(path, [&](FolderListing& listing) {
            for (int folder = 0; path == "/w" && folder < 300; ++folder)
                listing.add(FolderListing::Kind::Folder, "d" + QByteArray::number(folder));
        });
    };
    WindowlessEventPump pump;
    const PosixFileSystem slow(pump, [&](const FolderToRead& folder) {
        const int now = ++reading;
        for (int most = mostAtOnce; now > most && !mostAtOnce.compare_exchange_weak(most, now);) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        --reading;
        return wide(folder.path());
    });
    RecordingWalkHost host(slow, &pump);
    walkReadingAhead(slow, host, "/w");
    EXPECT_EQ(host.progressTexts.size(), 301);
    EXPECT_GT(mostAtOnce, 2);
    EXPECT_LE(mostAtOnce, 16);
    waitForReaders();

    // Reads that keep the readers at work without waiting on anything add
    // none: their time is no sign of a device to wait for. One slow first
    // read, as a thread checker's can be, may add one.
    std::atomic<int> mostReaders = 0;
    const PosixFileSystem busy(pump, [&](const FolderToRead& folder) {
        for (int most = mostReaders, now = FolderReadAhead::readersRunning();
             now > most && !mostReaders.compare_exchange_weak(most, now);) {
        }
        const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(100);
        while (std::chrono::steady_clock::now() < until) {
        }
        return wide(folder.path());
    });
    RecordingWalkHost busyHost(busy, &pump);
    walkReadingAhead(busy, busyHost, "/w");
    EXPECT_EQ(busyHost.progressTexts.size(), 301);
    EXPECT_LE(mostReaders, 3);
    waitForReaders();

    // Running short of descriptors once makes readers take turns only
    // until a folder is read in turn: then they read side by side again.
    // A read well after it waits for a second to begin.
    std::atomic<bool> ranShort = false;
    std::atomic<int> readsSince = 0;
    std::atomic<bool> sideBySide = false;
    std::atomic<bool> waitedForASecond = false;
    const PosixFileSystem shortOnce(pump, [&](const FolderToRead& folder) {
        if (folder.path() == "/w/d0" && !ranShort.exchange(true)) {
            FolderReading none;
            none.listingFailure = Failure::fromErrno(EMFILE);
            return none;
        }
        const bool wellAfter = ranShort && ++readsSince > 20;
        const bool withAnother = ++reading > 1;
        sideBySide = sideBySide || (wellAfter && withAnother);
        if (wellAfter && !waitedForASecond.exchange(true)) {
            for (int wait = 0; !sideBySide && wait < 1000; ++wait)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        --reading;
        return wide(folder.path());
    });
    RecordingWalkHost shortHost(shortOnce, &pump);
    walkReadingAhead(shortOnce, shortHost, "/w");
    EXPECT_EQ(shortHost.progressTexts.size(), 301);
    EXPECT_TRUE(shortHost.boxes.shown.empty());
    EXPECT_TRUE(ranShort);
    EXPECT_TRUE(sideBySide);
    waitForReaders();

    // Two folders of 300,000 files each fill the budget; the small ones
    // below the second are read while the walk goes through its files.
    const auto large = [](const QByteArray& path) {
        return folderOf(path, [&](FolderListing& listing) {
            const bool big = path.endsWith("/big1") || path.endsWith("/big2");
            for (int file = 0; big && file < 300'000; ++file)
                listing.add(FolderListing::Kind::File, "f" + QByteArray::number(file));
            for (const char* name : {"big1", "big2"}) {
                if (path == "/b")
                    listing.add(FolderListing::Kind::Folder, name);
            }
            for (int folder = 0; path.endsWith("/big2") && folder < 40; ++folder)
                listing.add(FolderListing::Kind::Folder, "s" + QByteArray::number(folder));
        });
    };
    // Each small one takes a while, so that the walk waits for every one
    // not read ahead; the walk goes through the second large folder's files
    // only once they are read, or after ten seconds when they are not.
    std::atomic<int> smallRead = 0;
    const PosixFileSystem budgeted(pump, [&](const FolderToRead& folder) {
        const bool small = folder.path().contains("/big2/");
        if (small)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        FolderReading read = large(folder.path());
        smallRead += small ? 1 : 0;
        return read;
    });
    RecordingWalkHost budget(budgeted, &pump);
    budget.onYield = [&](int yieldNumber) {
        for (int wait = 0; yieldNumber == 300'001 && smallRead < 40 && wait < 1000; ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    };
    walkReadingAhead(budgeted, budget, "/b");
    EXPECT_EQ(budget.progressTexts.size(), 43);
    EXPECT_LT(budget.waits, 10);
    waitForReaders();
}

// `top` holding a chain of folders named `link`, each with a side folder s
// that holds `mark`.txt: more levels than the walk holds open while their
// sides wait. Answers the files' relative paths in the walk's order.
std::vector<QByteArray> chainWithSides(TempTree& tree, const QByteArray& top, int depth, const QByteArray& link)
{
    std::vector<QByteArray> files;
    for (QByteArray level = top; files.size() <= static_cast<std::size_t>(depth); level += '/' + link) {
        tree.file(level + "/s/" + top + ".txt");
        files.insert(files.begin(), level + "/s/" + top + ".txt");
    }
    return files;
}

// Renamed, moved or swapped while readers are deep below it and the walk
// has let most folders above go: whatever the walk reaches afterwards is
// reached from below or checked on the way down, so every file is listed
// by a path it had, all that find lists while inside the tree, nothing of
// another tree mixed in, and nothing reported.
TEST(WalkOverReaders, FoldersRenamedMovedOrSwappedMidWalkLoseNothingAndMixInNothing)
{
    constexpr int depth = 90;
    const QByteArray bottomSide = "A" + QByteArray("/d").repeated(depth) + "/s";
    const struct {
        const char* what;
        const char* from;
        const char* to;
        bool swap;
    } cases[] = {
        {"the top renamed", "A", "A-renamed", false},
        {"a folder above renamed", "A/d/d", "A/d/e", false},
        {"a folder above moved out of the tree", "A/d", "elsewhere", false},
        // Readers racing one another: a few tries catch one that went ahead.
        {"two folders swapped", "A", "B", true},
        {"two folders swapped again", "A", "B", true},
        {"two folders swapped a third time", "A", "B", true},
    };
    for (const auto& change : cases) {
        SCOPED_TRACE(change.what);
        TempTree tree;
        tree.folder("elsewhere");
        std::vector<QByteArray> expected;
        for (const QByteArray& file : chainWithSides(tree, "A", depth, "d"))
            expected.push_back(tree.path(file));
        // B's chain is of folders named e, so a path that mixes the two
        // trees names nothing that ever was.
        std::set<QByteArray> wereThere(expected.begin(), expected.end());
        for (const QByteArray& file : change.swap ? chainWithSides(tree, "B", depth, "e") : std::vector<QByteArray>()) {
            wereThere.insert(tree.path(file));
            wereThere.insert(tree.path('A' + file.mid(1)));
        }
        for (const QByteArray& file : expected)
            wereThere.insert(change.swap ? tree.path("B" + file.mid(tree.path().size() + 2)) : file);
        std::atomic<bool> changed = false;
        WindowlessEventPump pump;
        const PosixFileSystem fs(pump, [&](const FolderToRead& folder) {
            if (folder.path() == tree.path(bottomSide) && !changed.exchange(true)) {
                const QByteArray from = tree.path(change.from);
                const QByteArray to = tree.path(change.to);
                EXPECT_EQ(::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(),
                              change.swap ? RENAME_EXCHANGE : 0),
                    0);
            }
            // Slow sides keep many readers at work, each racing the others.
            if (folder.name == "s")
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return readFolder(folder);
        });
        RecordingWalkHost host(fs, &pump);
        const QByteArray top = change.swap ? tree.path() : tree.path("A");
        walkReadingAhead(fs, host, top);
        EXPECT_TRUE(changed);
        // A is walked before it is swapped; B after, or before, or partly.
        const std::vector<QByteArray> inA(host.results.begin(),
            host.results.begin() + static_cast<qsizetype>(std::min(host.results.size(), expected.size())));
        EXPECT_EQ(inA, expected);
        for (const QByteArray& result : host.results)
            EXPECT_TRUE(wereThere.count(result)) << result.toStdString();
        EXPECT_EQ(host.results.size(), (change.swap ? 2 : 1) * expected.size());
        EXPECT_TRUE(host.boxes.shown.empty()) << host.boxes.messages().join(u' ').toStdString();
    }
    waitForReaders();
}

// Keeping to one file system, the walk enters nothing mounted before or
// while it runs: a mount on a folder not listed yet is told from the mount
// table, read again whole when the system marks it changed, so that folder
// is never opened; one on a folder listed already is passed over once
// opened.
TEST(WalkOverReaders, NothingMountedMidWalkIsEnteredWhereTheWalkKeepsToOneFileSystem)
{
    TempTree tree;
    for (const char* name : {"a.txt", "sub/b.txt", "sub/later/c.txt", "sub/now/d.txt", "sub/early/e.txt"})
        tree.file(name);
    if (const TmpfsMount probe(1 << 20, tree.path("sub/now")); !probe.mounted())
        GTEST_SKIP() << probe.whyNot().toStdString();
    std::vector<std::unique_ptr<TmpfsMount>> mounted;
    std::atomic<bool> mountOpened = false;
    const auto mountOn = [&](const QByteArray& relative) {
        mounted.push_back(std::make_unique<TmpfsMount>(1 << 20, tree.path(relative)));
        tree.file(relative + "/inside.txt");
    };
    mountOn("sub/early");
    WindowlessEventPump pump;
    WalkLimits oneFileSystem;
    oneFileSystem.oneFileSystem = true;
    const PosixFileSystem fs(pump, [&](const FolderToRead& folder) {
        const QByteArray path = folder.path();
        if (path == tree.path("sub"))
            mountOn("sub/later");
        if (path == tree.path("sub/now"))
            mountOn("sub/now");
        mountOpened = mountOpened || path == tree.path("sub/later") || path == tree.path("sub/early");
        return readFolder(folder);
    }, oneFileSystem);
    RecordingWalkHost host(fs, &pump);
    walkReadingAhead(fs, host, tree.path());
    EXPECT_EQ(std::count_if(mounted.begin(), mounted.end(), [](const auto& mount) { return mount->mounted(); }), 3);
    mounted.clear();
    EXPECT_EQ(host.results, (std::vector<QByteArray>{tree.path("a.txt"), tree.path("sub/b.txt")}));
    EXPECT_FALSE(mountOpened);
    EXPECT_TRUE(host.boxes.shown.empty());
    waitForReaders();
}

} // namespace
