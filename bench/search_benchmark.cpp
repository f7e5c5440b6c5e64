// Times the real search path against find(1), bfs(1) and fd(1) on the same
// trees of one and three million files, warm, and on the first tree also
// from a cold disk cache (emptied before each run, which needs root); and
// measures memory, Stop latency and repaint gaps. Prints two tables, and
// beside each the CPU each spent per entry of the tree, against a bare
// walker's (bare_walker.cpp): the floor.
//
//   search_benchmark [--root DIR] [--rounds N] [--only-1m] [--remove-trees]
//
// The trees are built on first use and kept for later runs; --remove-trees
// deletes them once the run is over.
#include "bench_support.h"
#include "os/memory_use.h"
#include "window/form1.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTableView>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <numeric>
#include <optional>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ferrowax;
using namespace ferrowax::bench;
using Clock = std::chrono::steady_clock;

namespace {

struct Options {
    QByteArray root = "/tmp/ferrowax-bench";
    int rounds = 5;
    bool only1m = false;
    bool removeTrees = false;
};

Options parse(const QStringList& arguments)
{
    Options options;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--root") && i + 1 < arguments.size())
            options.root = QFile::encodeName(arguments[++i]);
        else if (arguments[i] == QLatin1String("--rounds") && i + 1 < arguments.size())
            options.rounds = std::max(1, arguments[++i].toInt());
        else if (arguments[i] == QLatin1String("--only-1m"))
            options.only1m = true;
        else if (arguments[i] == QLatin1String("--remove-trees"))
            options.removeTrees = true;
    }
    return options;
}

struct Tree {
    QByteArray root;
    int files;
    int folders;
};

// Folders two levels deep, 50 files each; every tenth file is a .jpg.
void build(const Tree& tree)
{
    const QByteArray marker = tree.root + "/.complete";
    if (QFile::exists(QFile::decodeName(marker)))
        return;
    std::printf("building %d files in %d folders under %s ...\n", tree.files, tree.folders, tree.root.constData());
    std::fflush(stdout);
    const char* kinds[] = {".jpg", ".txt", ".dat", ".png", ".log", ".TXT", ".html", ".c", ".h", ".md"};
    const int perTop = 100;
    const int filesPerFolder = tree.files / tree.folders;
    QDir().mkpath(QFile::decodeName(tree.root));
    int fileNumber = 0;
    for (int folder = 0; folder < tree.folders; ++folder) {
        const QByteArray top = tree.root + "/group-" + QByteArray::number(folder / perTop);
        ::mkdir(top.constData(), 0755);
        const QByteArray path = top + "/folder-" + QByteArray::number(folder % perTop);
        ::mkdir(path.constData(), 0755);
        for (int f = 0; f < filesPerFolder; ++f, ++fileNumber) {
            const QByteArray name = path + "/file-" + QByteArray::number(fileNumber) + kinds[fileNumber % 10];
            const int fd = ::open(name.constData(), O_CREAT | O_WRONLY, 0644);
            if (fd >= 0)
                ::close(fd);
        }
    }
    QFile(QFile::decodeName(marker)).open(QIODevice::WriteOnly);
}

double secondsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double>(to - from).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Records when the watched widgets paint while a search runs.
class PaintWatch final : public QObject {
public:
    bool active = false;
    std::vector<Clock::time_point> paints;

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (active && event->type() == QEvent::Paint)
            paints.push_back(Clock::now());
        return false;
    }

    double longestGapSeconds(Clock::time_point start, Clock::time_point end) const
    {
        double longest = 0;
        Clock::time_point previous = start;
        for (Clock::time_point paint : paints) {
            if (paint < start || paint > end)
                continue;
            longest = std::max(longest, secondsBetween(previous, paint));
            previous = paint;
        }
        return std::max(longest, secondsBetween(previous, end));
    }
};

// The real window over the program's services, with boxes answered at once.
class Searcher {
public:
    Searcher()
        : window_(bench_.services)
    {
        window_.Form_Load();
        window_.show();
        QCoreApplication::processEvents();
        start_ = window_.findChild<QPushButton*>(QStringLiteral("PushButton1"));
        bench_.dialogs.onMessage = [this](const QString& text) {
            if (text == QLatin1String("Done."))
                done_ = Clock::now();
        };
        window_.findChild<QTableView*>(QStringLiteral("ListView2"))->viewport()->installEventFilter(&paints_);
        window_.findChild<QWidget*>(QStringLiteral("ProgressBar1"))->installEventFilter(&paints_);
    }

    WindowState& state() { return window_.state(); }

    // Seconds from the press to "Done.".
    double search(const QByteArray& root, const std::vector<QByteArray>& extensions)
    {
        state().resultList().clear();
        state().folderList().clear();
        state().extensionList().clear();
        state().folderList().append(root);
        for (const QByteArray& extension : extensions)
            state().extensionList().append(extension);
        began_ = Clock::now();
        paints_.active = true;
        start_->click();
        paints_.active = false;
        QCoreApplication::processEvents();
        return secondsBetween(began_, done_);
    }

    double longestRepaintGap() const { return paints_.longestGapSeconds(began_, done_); }

    // Seconds from a press of Stop, arriving from outside while the walk is
    // deep in the tree, to "Done.".
    double stopLatency(const QByteArray& root)
    {
        std::atomic<bool> pressed = false;
        Clock::time_point stopPressed;
        std::thread presser([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            stopPressed = Clock::now();
            pressed = true;
            QMetaObject::invokeMethod(start_, "click", Qt::QueuedConnection);
        });
        search(root, {"jpg"});
        presser.join();
        return pressed ? secondsBetween(stopPressed, done_) : -1;
    }

    // A screen reader asks the window one question at a time from another
    // thread, each answered on the window's thread at its next slice of
    // event handling. Asks without pause during a search; answers the
    // waits, in seconds.
    std::vector<double> answerWaits(const QByteArray& root)
    {
        std::vector<double> waits;
        std::atomic<bool> searching = true;
        std::thread reader([&] {
            while (state().startButtonCaption() != QLatin1String("Stop"))
                std::this_thread::yield();
            while (searching) {
                const Clock::time_point asked = Clock::now();
                QMetaObject::invokeMethod(start_, [] {}, Qt::BlockingQueuedConnection);
                waits.push_back(secondsBetween(asked, Clock::now()));
            }
        });
        bench_.dialogs.onMessage = [&](const QString& text) {
            if (text == QLatin1String("Done.")) {
                done_ = Clock::now();
                searching = false;
            }
        };
        search(root, {"jpg"});
        reader.join();
        bench_.dialogs.onMessage = [this](const QString& text) {
            if (text == QLatin1String("Done."))
                done_ = Clock::now();
        };
        return waits;
    }

private:
    BenchServices bench_;
    Form1 window_;
    QPushButton* start_ = nullptr;
    PaintWatch paints_;
    Clock::time_point began_;
    Clock::time_point done_;
};

// Files and folders: what a walk lists.
long entriesOf(const Tree& tree)
{
    return tree.files + tree.folders + tree.folders / 100;
}

// CPU seconds of each, medians of the rounds; -1 where not run.
struct CpuRow {
    double find = 0;
    double bfs = -1;
    double fd = -1;
    double bare = 0;
    double list = 0;
    double window = 0;
};

struct Row {
    Tree tree;
    double find = 0;
    double bfs = -1;
    double fd = -1;
    double ferrowax = 0;
    CpuRow cpu;
    int matches = 0;
    long foundByFind = 0;
    double residentWithAll = 0;
    double addedByAll = 0;
    double allSeconds = 0;
};

// The same search by each program, for one round.
struct Commands {
    QByteArray find;
    QByteArray bfs;
    QByteArray fd;
    QByteArray bare;
    QByteArray list;
};

Commands commandsFor(const Tree& tree, bool haveBfs, bool haveFd)
{
    return {"find '" + tree.root + "' -type f -name '*.jpg'",
        haveBfs ? "bfs '" + tree.root + "' -type f -name '*.jpg'" : QByteArray(),
        haveFd ? "fdfind -u -j8 -t f -g '*.jpg' '" + tree.root + "'" : QByteArray(),
        QByteArray(BARE_WALKER) + " '" + tree.root + "' .jpg",
        QByteArray(FERROWAX_PROGRAM) + " --list --folder '" + tree.root + "' --ext jpg"};
}

double cpuSecondsOfThisProcess()
{
    const CpuTime used = cpuTime();
    return used.user + used.system;
}

// Empties the kernel's caches of files and folders, so that the next run
// reads from the device. Needs root.
bool emptyCaches()
{
    ::sync();
    const int fd = ::open("/proc/sys/vm/drop_caches", O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool emptied = ::write(fd, "3\n", 2) == 2;
    ::close(fd);
    return emptied;
}

// A tool that lists other files than find does is timed for other work.
void expectFindsCount(const char* tool, const CommandRun& run, long byFind)
{
    if (run.lines == byFind)
        return;
    std::fprintf(stderr, "%s listed %ld paths where find listed %ld: its time would not compare\n", tool, run.lines,
        byFind);
    std::exit(1);
}

// Medians over the rounds, each run after `before`.
Row timeRounds(Searcher& searcher, const Tree& tree, const Commands& commands, int rounds,
    const std::function<void()>& before)
{
    Row row;
    row.tree = tree;
    std::vector<double> finds, bfss, fds, ours;
    std::vector<double> findCpu, bfsCpu, fdCpu, bareCpu, listCpu, windowCpu;
    const auto run = [&](const char* tool, const QByteArray& command, std::vector<double>* seconds,
                         std::vector<double>& cpu) {
        before();
        const CommandRun ran = timeCommand(command);
        expectFindsCount(tool, ran, row.foundByFind);
        if (seconds)
            seconds->push_back(ran.seconds);
        cpu.push_back(ran.cpuSeconds);
    };
    for (int round = 0; round < rounds; ++round) {
        before();
        const CommandRun found = timeCommand(commands.find);
        finds.push_back(found.seconds);
        findCpu.push_back(found.cpuSeconds);
        row.foundByFind = found.lines;
        if (!commands.bfs.isEmpty())
            run("bfs", commands.bfs, &bfss, bfsCpu);
        if (!commands.fd.isEmpty())
            run("fd", commands.fd, &fds, fdCpu);
        run("the bare walker", commands.bare, nullptr, bareCpu);
        run("ferrowax --list", commands.list, nullptr, listCpu);
        before();
        const double cpuBefore = cpuSecondsOfThisProcess();
        ours.push_back(searcher.search(tree.root, {"jpg"}));
        windowCpu.push_back(cpuSecondsOfThisProcess() - cpuBefore);
        row.matches = searcher.state().resultList().count();
    }
    const auto medianOr = [](const std::vector<double>& values) { return values.empty() ? -1 : median(values); };
    row.find = median(finds);
    row.bfs = medianOr(bfss);
    row.fd = medianOr(fds);
    row.ferrowax = median(ours);
    row.cpu = {median(findCpu), medianOr(bfsCpu), medianOr(fdCpu), median(bareCpu), median(listCpu),
        median(windowCpu)};
    return row;
}

Row measure(Searcher& searcher, const Tree& tree, int rounds, const Commands& commands)
{
    timeCommand(commands.find); // warm the caches for all
    Row row = timeRounds(searcher, tree, commands, rounds, [] {});

    // Every file a match: the memory all results take.
    searcher.state().resultList().clear();
    QCoreApplication::processEvents();
    const double before = currentMemoryMiB();
    row.allSeconds = searcher.search(
        tree.root, {"jpg", "txt", "dat", "png", "log", "TXT", "html", "c", "h", "md"});
    row.residentWithAll = currentMemoryMiB();
    row.addedByAll = row.residentWithAll - before;
    searcher.state().resultList().clear();
    QCoreApplication::processEvents();
    return row;
}

// `ferrowax --list` over the tree, whole and with half of its groups
// excluded, beside find pruning the same half: medians of the rounds.
struct ExclusionRow {
    double whole = 0;
    double half = 0;
    double findHalf = 0;
    long wholeLines = 0;
    long halfLines = 0;
};

ExclusionRow measureExclusion(const Tree& tree, int rounds)
{
    const QByteArray list = QByteArray(FERROWAX_PROGRAM) + " --list --folder '" + tree.root + "' --ext jpg";
    // The groups are numbered from 0: group-1[0-9][0-9] is the second half of 200.
    const QByteArray half = list + " --exclude 'group-1[0-9][0-9]'";
    const QByteArray findHalf = "find '" + tree.root
        + "' -mindepth 1 -type d -name 'group-1[0-9][0-9]' -prune -o -type f -name '*.jpg' -print";
    ExclusionRow row;
    std::vector<double> wholes;
    std::vector<double> halves;
    std::vector<double> finds;
    for (int round = 0; round < rounds; ++round) {
        const CommandRun whole = timeCommand(list);
        wholes.push_back(whole.seconds);
        row.wholeLines = whole.lines;
        const CommandRun excluded = timeCommand(half);
        halves.push_back(excluded.seconds);
        row.halfLines = excluded.lines;
        finds.push_back(timeCommand(findHalf).seconds);
    }
    row.whole = median(wholes);
    row.half = median(halves);
    row.findHalf = median(finds);
    return row;
}

QByteArray timeAndRatio(double seconds, double findSeconds)
{
    if (seconds < 0)
        return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.3f (%.2f)", seconds, seconds / findSeconds);
    return text;
}

// CPU per entry of the tree, and in brackets the ratio to the bare walker's.
void printCpu(const Row& row)
{
    const double entries = static_cast<double>(entriesOf(row.tree));
    const auto perEntry = [&](double seconds) -> QByteArray {
        if (seconds < 0)
            return "-";
        char text[32];
        std::snprintf(text, sizeof text, "%.0f ns (%.2f)", seconds / entries * 1e9, seconds / row.cpu.bare);
        return text;
    };
    std::printf("CPU per entry of %ld: find %s, bfs %s, fd %s, bare walker %s, ferrowax --list %s, window %s\n",
        entriesOf(row.tree), perEntry(row.cpu.find).constData(), perEntry(row.cpu.bfs).constData(),
        perEntry(row.cpu.fd).constData(), perEntry(row.cpu.bare).constData(), perEntry(row.cpu.list).constData(),
        perEntry(row.cpu.window).constData());
}

void printHeader()
{
    std::printf("%-10s %-8s %-14s %-18s %-16s %-9s %-12s %-22s\n", "files", "find", "bfs (ratio)",
        "fd -u -j8 (ratio)", "Ferrowax (ratio)", "per file", "matches", "all as results");
}

void printRow(const Row& row, const char* allAsResults)
{
    std::printf("%-10d %-8.3f %-14s %-18s %-16s %-9s %-12s %-22s\n", row.tree.files, row.find,
        timeAndRatio(row.bfs, row.find).constData(), timeAndRatio(row.fd, row.find).constData(),
        timeAndRatio(row.ferrowax, row.find).constData(),
        (QByteArray::number(row.ferrowax / row.tree.files * 1e9, 'f', 0) + " ns").constData(),
        (QByteArray::number(row.matches) + (row.matches == row.foundByFind ? "" : " (!)")).constData(),
        allAsResults);
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    returnLargeBlocksWhenFreed(); // as the program does
    QApplication app(argc, argv);
    const Options options = parse(QCoreApplication::arguments());
    std::vector<Tree> trees{{options.root + "/1m", 1000000, 20000}};
    if (!options.only1m)
        trees.push_back({options.root + "/3m", 3000000, 60000});
    for (const Tree& tree : trees)
        build(tree);
    const bool haveBfs = timeCommand("command -v bfs").lines > 0;
    if (!haveBfs)
        std::printf("bfs is not installed (apt-get install bfs); its column stays empty\n");
    const bool haveFd = timeCommand("command -v fdfind").lines > 0;
    if (!haveFd)
        std::printf("fd is not installed (apt-get install fd-find); its column stays empty\n");

    Searcher searcher;
    const double startedWith = currentMemoryMiB();
    std::vector<Row> rows;
    for (const Tree& tree : trees)
        rows.push_back(measure(searcher, tree, options.rounds, commandsFor(tree, haveBfs, haveFd)));
    const ExclusionRow exclusion = measureExclusion(trees.front(), options.rounds);
    std::optional<Row> cold;
    if (emptyCaches()) {
        cold = timeRounds(searcher, trees.front(), commandsFor(trees.front(), haveBfs, haveFd), options.rounds,
            [] { emptyCaches(); });
    }
    searcher.search(trees.front().root, {"jpg"});
    const double repaintGap = searcher.longestRepaintGap();
    const double stop = searcher.stopLatency(trees.front().root);
    const std::vector<double> waits = searcher.answerWaits(trees.front().root);

    std::printf("\nmedian of %d rounds, warm cache, .jpg (one file in ten)\n", options.rounds);
    printHeader();
    bool allMatch = true;
    for (const Row& row : rows) {
        allMatch = allMatch && row.matches == row.foundByFind;
        char all[48];
        std::snprintf(all, sizeof all, "%.0f MiB, %.0f B/result", row.residentWithAll,
            row.addedByAll * 1024 * 1024 / row.tree.files);
        printRow(row, all);
    }
    for (const Row& row : rows)
        printCpu(row);
    if (cold) {
        allMatch = allMatch && cold->matches == cold->foundByFind;
        std::printf("\nmedian of %d rounds, cold cache (emptied before every run), .jpg\n", options.rounds);
        printHeader();
        printRow(*cold, "");
        printCpu(*cold);
    } else {
        std::printf("\ncold cache: not measured, emptying the cache needs root\n");
    }
    std::printf("\nferrowax --list, warm, .jpg, median of %d rounds: %d files %.3f s (%ld paths); "
                "half of the groups excluded %.3f s (%.2f of it, %ld paths); find pruning that half %.3f s\n",
        options.rounds, trees.front().files, exclusion.whole, exclusion.wholeLines, exclusion.half,
        exclusion.half / exclusion.whole, exclusion.halfLines, exclusion.findHalf);
    std::printf("\nresident before the first search: %.0f MiB; peak over the run: %.0f MiB\n", startedWith,
        peakMemoryMiB());
    std::printf("all files as results: ");
    for (const Row& row : rows)
        std::printf("%d in %.3f s%s", row.tree.files, row.allSeconds, &row == &rows.back() ? "\n" : ", ");
    std::printf("longest repaint gap during a search: %.0f ms\n", repaintGap * 1000);
    std::printf("Stop took effect in: %.1f ms\n", stop * 1000);
    if (!waits.empty()) {
        // About as many questions as a screen reader asks to read the window.
        constexpr std::size_t wholeWindow = 90;
        double windowRead = 0;
        for (std::size_t i = 0; i < std::min(wholeWindow, waits.size()); ++i)
            windowRead += waits[i];
        std::printf("answers to another thread during a search: %zu, mean %.2f ms, longest %.2f ms; "
                    "%zu in a row (the whole window) %.0f ms\n",
            waits.size(), std::accumulate(waits.begin(), waits.end(), 0.0) / static_cast<double>(waits.size()) * 1000,
            *std::max_element(waits.begin(), waits.end()) * 1000, std::min(wholeWindow, waits.size()),
            windowRead * 1000);
    }

    if (options.removeTrees) {
        for (const Tree& tree : trees)
            QDir(QFile::decodeName(tree.root)).removeRecursively();
        std::printf("trees removed\n");
    }
    return allMatch ? 0 : 1;
}
