// Starts the real window over the real file system and closes it in the
// middle of a command, to show that closing ends the process at once.
// CLOSE_AT_YIELD 0 closes it once the command has returned.
//
//   close_probe search FOLDER CLOSE_AT_YIELD
//   close_probe export FILE LINES CLOSE_AT_YIELD
//   close_probe export FILE LINES HANG_AT_YIELD hang   (to be killed there)
//   close_probe export FILE LINES CLOSE_AFTER_YIELD wait  (closed while the
//                                                          disk is waited on)
//   close_probe open FOLDER CLOSE_AT_LAUNCH   (opens FOLDER's files with
//       FOLDER's xdg-open, which writes a line to FOLDER/opened for each)
#include "command_kit/services.h"
#include "os/io_service.h"
#include "os/output_file.h"
#include "os/process_end.h"
#include "os/time_sliced_event_pump.h"
#include "desktop_services/qt_desktop_launcher.h"
#include "walk_engine/posix_file_system.h"
#include "results/result_actions.h"
#include "support/fake_services.h"
#include "support/scripted_dialogs.h"
#include "window/form1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

#include <chrono>
#include <cstdio>

#include <unistd.h>

using namespace ferrowax;

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 4)
        return 2;
    const bool exporting = arguments[1] == QLatin1String("export");
    const bool hang = arguments.last() == QLatin1String("hang");
    const bool whileWaiting = arguments.last() == QLatin1String("wait");
    const int closeAtYield = arguments[hang || whileWaiting ? arguments.size() - 2 : arguments.size() - 1].toInt();

    testing::ScriptedDialogs dialogs;
    dialogs.whileShown = [](const testing::ShownBox& box) {
        std::printf("box: %s\n", box.text.toUtf8().constData());
    };
    testing::HookedEventPump eventPump;
    // Open waits as the program does, the window's events handled meanwhile.
    TimeSlicedEventPump windowPump;
    IoService io(arguments[1] == QLatin1String("open") ? static_cast<EventPump&>(windowPump) : eventPump);
    PosixFileSystem fileSystem(eventPump);
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), arguments[2]);
    QtDesktopLauncher desktop(io, environment);
    testing::ScriptedRandom random;
    ImmediateProcessEnd processEnd;
    testing::ScriptedSettings settings;
    ReplacingOutputFiles outputFiles;
    testing::ScriptedClipboard clipboard;
    testing::RecordingSpreadsheets spreadsheets;
    processEnd.atEnd([&io, &outputFiles] {
        io.finishWithin([&outputFiles] { outputFiles.removeUnfinished(); }, std::chrono::seconds(1));
    });
    Services services{dialogs, eventPump, io, fileSystem, desktop, random, processEnd, settings, outputFiles, clipboard,
        spreadsheets, QString()};

    Form1 window(services);
    window.Form_Load();
    window.show();
    eventPump.onYield = [&](int yieldNumber) {
        std::printf("yield %d, %d results\n", yieldNumber, window.state().resultList().count());
        if (yieldNumber == closeAtYield && hang) {
            std::printf("hanging\n");
            std::fflush(stdout);
            for (;;)
                ::pause();
        }
        if (yieldNumber == closeAtYield && !whileWaiting)
            window.close();
    };
    if (whileWaiting) {
        eventPump.onWait = [&] {
            if (eventPump.yields >= closeAtYield) {
                std::printf("closing while the disk is waited on\n");
                window.close();
            }
        };
    }
    // Closed as the window system closes it, once that many have started.
    QTimer launches;
    QObject::connect(&launches, &QTimer::timeout, [&] {
        QFile opened(arguments[2] + QStringLiteral("/opened"));
        if (opened.open(QIODevice::ReadOnly) && opened.readAll().count('\n') >= closeAtYield)
            QCoreApplication::postEvent(window.windowHandle(), new QCloseEvent);
    });
    if (arguments[1] == QLatin1String("open")) {
        std::vector<int> all;
        for (const QString& name : QDir(arguments[2]).entryList({QStringLiteral("*.jpg")}, QDir::Files)) {
            window.state().resultList().append(QFile::encodeName(arguments[2] + u'/' + name), true);
            all.push_back(window.state().resultList().count());
        }
        dialogs.messageAnswers.push_back(Answer::Yes);
        launches.start(10);
        mnuOpen_Click(window.state(), services, all);
    } else if (exporting) {
        for (int line = 1; line <= arguments[3].toInt(); ++line)
            window.state().resultList().append("/line/" + QByteArray::number(line), true);
        dialogs.saveAnswers.push_back(arguments[2]);
        dialogs.messageAnswers.push_back(Answer::Yes); // to replace a file that is there
        window.findChild<QPushButton*>(QStringLiteral("PushButton2"))->click();
    } else {
        window.state().folderList().append(arguments[2].toUtf8());
        window.state().extensionList().append("txt");
        window.findChild<QPushButton*>(QStringLiteral("PushButton1"))->click();
    }
    std::printf("command returned\n");
    if (closeAtYield == 0)
        window.close();
    return 3;
}
