#pragma once

#include "command_kit/services.h"
#include "desktop_services/clipboard.h"
#include "desktop_services/desktop_launcher.h"
#include "desktop_services/dialogs.h"
#include "os/io_service.h"
#include "os/output_file.h"
#include "walk_engine/posix_file_system.h"
#include "os/process_end.h"
#include "os/random_source.h"
#include "os/settings_store.h"
#include "os/time_sliced_event_pump.h"
#include "os/xlsx_spreadsheet.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QStringList>

#include <functional>

namespace ferrowax::bench {

// Answers every box at once with OK or Yes and remembers when it came.
// Inputs and file names come from queues; empty when they run out.
class AnsweringDialogs final : public Dialogs {
public:
    QStringList messages;
    QStringList inputAnswers;
    QStringList saveAnswers;
    std::function<void(const QString&)> onMessage;

    QString pickFolder(const QString&, const QString&) override { return {}; }
    QString saveFileName(const SaveFileRequest&) override { return saveAnswers.isEmpty() ? QString() : saveAnswers.takeFirst(); }

protected:
    int showMessage(const QString& text, int style, const QString&) override;
    QString showInput(const QString&, const QString&) override
    {
        return inputAnswers.isEmpty() ? QString() : inputAnswers.takeFirst();
    }
};

class NoDesktop final : public DesktopLauncher {
public:
    void openUrl(const QUrl&) override {}
    void openFiles(const std::vector<QByteArray>&) override {}
    void showInFolder(const QByteArray&) override {}
};

class NeverSeven final : public RandomSource {
public:
    void seedFromClock() override {}
    double next() override { return 0.5; }
};

class NoEnd final : public ProcessEnd {
public:
    void endNow() override {}
};

class NoClipboard final : public Clipboard {
public:
    void clear() override {}
    void setText(const QString&) override {}
};

class NoSettings final : public SettingsStore {
public:
    QString read(const QString&, const QString&, const QString&, const QString& fallback) const override
    {
        return fallback;
    }
};

// The program's own services, but for boxes answered at once and no desktop,
// clipboard or settings to touch.
struct BenchServices {
    explicit BenchServices(QProcessEnvironment environment = QProcessEnvironment::systemEnvironment())
        : spreadsheets(io, std::move(environment))
    {
    }

    AnsweringDialogs dialogs;
    TimeSlicedEventPump eventPump;
    IoService io{eventPump};
    PosixFileSystem fileSystem{eventPump};
    NoDesktop desktop;
    NeverSeven random;
    NoEnd processEnd;
    NoSettings settings;
    ReplacingOutputFiles outputFiles;
    NoClipboard clipboard;
    XlsxSpreadsheets spreadsheets;
    Services services{dialogs, eventPump, io, fileSystem, desktop, random, processEnd, settings, outputFiles, clipboard,
        spreadsheets, QString()};
};

// Peak and current resident memory of this process, in MiB.
double peakMemoryMiB();
double currentMemoryMiB();

// CPU seconds this process has used so far, in user and in system mode.
struct CpuTime {
    double user;
    double system;
};
CpuTime cpuTime();

// Seconds taken by a shell command, and the CPU seconds (user and system)
// of all it ran, with its output counted in lines.
struct CommandRun {
    double seconds;
    long lines;
    double cpuSeconds = 0;
};
CommandRun timeCommand(const QByteArray& command);

} // namespace ferrowax::bench
