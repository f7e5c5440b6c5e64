// Times the result filters and the exports on a million results held by
// the real window (offscreen, real views).
//
//   results_benchmark [--entries N]
#include "bench_support.h"
#include "os/memory_use.h"
#include "window/form1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>

#include <cstdio>

using namespace ferrowax;
using namespace ferrowax::bench;

namespace {

// Paths of about 80 bytes; every second one holds "/odd/", one in ten "keep".
QByteArray pathFor(int i)
{
    return "/home/someone/projects/archive-" + QByteArray::number(i / 1000) + (i % 2 ? "/odd/" : "/even/")
        + (i % 10 == 0 ? "keep-" : "file-") + QByteArray::number(i) + ".jpg";
}

void fill(EntryListModel& results, int entries)
{
    results.clear();
    for (int i = 0; i < entries; ++i)
        results.append(pathFor(i), true);
    results.showQueuedAppends();
    QCoreApplication::processEvents();
}

double secondsOf(const std::function<void()>& action)
{
    QElapsedTimer timer;
    timer.start();
    action();
    QCoreApplication::processEvents(); // let the view catch up: that is part of the cost
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    returnLargeBlocksWhenFreed(); // as the program does
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const int entries = arguments.size() > 2 && arguments[1] == QLatin1String("--entries") ? arguments[2].toInt() : 1000000;

    // The workbook is built and handed to a program that does nothing with it.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("FERROWAX_SPREADSHEET"), QStringLiteral("/bin/true"));
    BenchServices bench(environment);
    AnsweringDialogs& dialogs = bench.dialogs;
    Form1 window(bench.services);
    window.Form_Load();
    window.show();
    EntryListModel& results = window.state().resultList();
    const auto press = [&](const char* button) { window.findChild<QPushButton*>(QString::fromLatin1(button))->click(); };

    fill(results, entries);
    std::printf("%d results, %.0f MiB resident\n", results.count(), currentMemoryMiB());

    dialogs.inputAnswers.push_back(QStringLiteral("/ODD/"));
    const double containing = secondsOf([&] { press("PushButton17"); });
    std::printf("Remove Results Containing X:      %.3f s (%d removed in %d runs, %d left)\n", containing,
        entries / 2, entries / 2, results.count());

    fill(results, entries);
    dialogs.inputAnswers.push_back(QStringLiteral("keep"));
    const double notContaining = secondsOf([&] { press("PushButton4"); });
    std::printf("Remove Results Not Containing X:  %.3f s (%d left)\n", notContaining, results.count());

    fill(results, entries);
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("results.txt"));
    dialogs.saveAnswers.push_back(file);
    const double exportSeconds = secondsOf([&] { press("PushButton2"); });
    std::printf("Save Results As Text File:        %.3f s (%lld bytes)\n", exportSeconds,
        static_cast<long long>(QFileInfo(file).size()));
    const double before = currentMemoryMiB();
    const double spreadsheet = secondsOf([&] { press("PushButton14"); });
    std::printf("Save Results As Excel File:       %.3f s (%.0f MiB resident before, %.0f after)\n", spreadsheet,
        before, currentMemoryMiB());
    std::printf("peak memory:                      %.0f MiB\n", peakMemoryMiB());
    return 0;
}
