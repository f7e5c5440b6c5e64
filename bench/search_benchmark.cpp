// Times the real search path on a large tree against find(1) on the same
// warm tree, and measures memory, Stop latency and repaint gaps.
//
//   search_benchmark [--root DIR] [--files N] [--folders N]
//
// The tree is built on first use and kept for later runs.
#include "bench_support.h"
#include "window/form1.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTableView>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ferrowax;
using namespace ferrowax::bench;
using Clock = std::chrono::steady_clock;

namespace {

struct Options {
    QByteArray root = "/tmp/ferrowax-bench-tree";
    int files = 1000000;
    int folders = 20000;
};

Options parse(const QStringList& arguments)
{
    Options options;
    for (qsizetype i = 1; i + 1 < arguments.size(); i += 2) {
        if (arguments[i] == QLatin1String("--root"))
            options.root = QFile::encodeName(arguments[i + 1]);
        else if (arguments[i] == QLatin1String("--files"))
            options.files = arguments[i + 1].toInt();
        else if (arguments[i] == QLatin1String("--folders"))
            options.folders = arguments[i + 1].toInt();
    }
    return options;
}

// Folders two levels deep; every tenth file is a .jpg.
void buildTree(const Options& options)
{
    const QByteArray marker = options.root + "/.complete-" + QByteArray::number(options.files) + "-"
        + QByteArray::number(options.folders);
    if (QFile::exists(QFile::decodeName(marker)))
        return;
    std::printf("building %d files in %d folders under %s ...\n", options.files, options.folders,
        options.root.constData());
    std::fflush(stdout);
    const char* kinds[] = {".jpg", ".txt", ".dat", ".png", ".log", ".TXT", ".html", ".c", ".h", ".md"};
    const int perTop = 100;
    const int filesPerFolder = options.files / options.folders;
    ::mkdir(options.root.constData(), 0755);
    int fileNumber = 0;
    for (int folder = 0; folder < options.folders; ++folder) {
        const QByteArray top = options.root + "/group-" + QByteArray::number(folder / perTop);
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
            longest = std::max(longest, secondsBetween(previous, paint));
            previous = paint;
        }
        return std::max(longest, secondsBetween(previous, end));
    }
};

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const Options options = parse(QCoreApplication::arguments());
    buildTree(options);

    const QByteArray find = "find '" + options.root + "' -type f -name '*.jpg'";
    timeCommand(find); // warm the caches for both
    const CommandRun found = timeCommand(find);

    BenchServices bench;
    AnsweringDialogs& dialogs = bench.dialogs;
    Form1 window(bench.services);
    window.Form_Load();
    window.show();
    QCoreApplication::processEvents();

    PaintWatch paintWatch;
    window.findChild<QTableView*>(QStringLiteral("ListView2"))->viewport()->installEventFilter(&paintWatch);
    window.findChild<QWidget*>(QStringLiteral("ProgressBar1"))->installEventFilter(&paintWatch);
    auto* start = window.findChild<QPushButton*>(QStringLiteral("PushButton1"));
    Clock::time_point done;
    dialogs.onMessage = [&](const QString& text) {
        if (text == QLatin1String("Done."))
            done = Clock::now();
    };

    window.state().folderList().append(options.root);
    window.state().extensionList().append("jpg");
    const double memoryBefore = currentMemoryMiB();
    paintWatch.active = true;
    const CpuTime cpuBefore = cpuTime();
    const Clock::time_point began = Clock::now();
    start->click();
    const CpuTime cpuAfter = cpuTime();
    paintWatch.active = false;
    const double searchSeconds = secondsBetween(began, done);
    const double longestRepaintGap = paintWatch.longestGapSeconds(began, done);
    QCoreApplication::processEvents();
    const int matches = window.state().resultList().count();
    const double memoryAfter = currentMemoryMiB();

    // Every file a match: the memory a million results take.
    window.state().resultList().clear();
    for (const char* kind : {"txt", "dat", "png", "log", "TXT", "html", "c", "h", "md"})
        window.state().extensionList().append(kind);
    const double memoryBeforeAll = currentMemoryMiB();
    const Clock::time_point allBegan = Clock::now();
    start->click();
    const double allSeconds = secondsBetween(allBegan, done);
    QCoreApplication::processEvents();
    const int allMatches = window.state().resultList().count();
    const double memoryWithAll = currentMemoryMiB();

    // Stop: a press arriving from outside while the walk is deep in the tree.
    window.state().resultList().clear();
    std::atomic<bool> pressed = false;
    Clock::time_point stopPressed;
    std::thread presser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        stopPressed = Clock::now();
        pressed = true;
        QMetaObject::invokeMethod(start, "click", Qt::QueuedConnection);
    });
    start->click();
    presser.join();
    const double stopLatency = pressed ? secondsBetween(stopPressed, done) : -1;

    std::printf("files in tree:        %d in %d folders\n", options.files, options.folders);
    std::printf("find:                 %.3f s, %ld matches\n", found.seconds, found.lines);
    std::printf("Ferrowax search:      %.3f s, %d matches%s\n", searchSeconds, matches,
        matches == found.lines ? "" : "  (MISMATCH)");
    std::printf("search CPU:           %.3f s user, %.3f s system\n", cpuAfter.user - cpuBefore.user,
        cpuAfter.system - cpuBefore.system);
    std::printf("ratio search / find:  %.2f\n", searchSeconds / found.seconds);
    std::printf("files per second:     %.0f\n", options.files / searchSeconds);
    std::printf("memory:               %.0f MiB before, %.0f MiB after, %.0f MiB peak\n", memoryBefore, memoryAfter,
        peakMemoryMiB());
    std::printf("all files as results: %d in %.3f s, %.0f MiB resident (%.0f MiB more than before)\n", allMatches,
        allSeconds, memoryWithAll, memoryWithAll - memoryBeforeAll);
    std::printf("longest repaint gap:  %.0f ms\n", longestRepaintGap * 1000);
    std::printf("Stop took effect in:  %.1f ms\n", stopLatency * 1000);
    return matches == found.lines && allMatches == options.files ? 0 : 1;
}
