#include "cli/command_line.h"
#include "cli/list_command.h"
#include "command_kit/services.h"
#include "os/ini_settings_store.h"
#include "os/io_service.h"
#include "os/memory_use.h"
#include "os/output_file.h"
#include "walk_engine/posix_file_system.h"
#include "os/process_end.h"
#include "desktop_services/qt_clipboard.h"
#include "desktop_services/qt_desktop_launcher.h"
#include "desktop_services/qt_dialogs.h"
#include "os/random_source.h"
#include "os/time_sliced_event_pump.h"
#include "os/windowless_event_pump.h"
#include "os/xlsx_spreadsheet.h"
#include "version.h"
#include "window/form1.h"
#include "window/graphical_session.h"

#include <cerrno>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstring>

namespace {

// What could not be written is an error, as for every command-line tool.
int finishedWriting()
{
    if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0)
        return 0;
    std::fprintf(stderr, "ferrowax: write error: %s\n", std::strerror(errno));
    return 1;
}

int showWindow(int argc, char* argv[])
{
    const std::unique_ptr<QApplication> application = ferrowax::startGraphicalSession(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("ferrowax"));

    ferrowax::QtDialogs dialogs;
    ferrowax::TimeSlicedEventPump eventPump;
    ferrowax::IoService io(eventPump);
    ferrowax::PosixFileSystem fileSystem(eventPump);
    ferrowax::QtDesktopLauncher desktop(io);
    ferrowax::ClockSeededRandom random;
    ferrowax::ImmediateProcessEnd processEnd;
    ferrowax::IniSettingsStore settings;
    ferrowax::ReplacingOutputFiles outputFiles;
    ferrowax::QtClipboard clipboard;
    ferrowax::XlsxSpreadsheets spreadsheets(io);
    // Nobody waits for it: the cache may lie on a disk that does not answer.
    io.start([spreadsheets] { spreadsheets.removeOldWorkbooks(); });
    // Nor does the end wait long for a disk.
    processEnd.atEnd([&io, &outputFiles] {
        io.finishWithin([&outputFiles] { outputFiles.removeUnfinished(); }, std::chrono::seconds(1));
    });
    ferrowax::Services services{dialogs, eventPump, io, fileSystem, desktop, random, processEnd, settings, outputFiles,
        clipboard, spreadsheets, QCoreApplication::applicationDirPath()};

    ferrowax::Form1 window(services);
    dialogs.setOwner(&window);
    window.Form_Load();
    window.show();
    return QApplication::exec();
}

} // namespace

int main(int argc, char* argv[])
{
    ferrowax::returnLargeBlocksWhenFreed();
    const ferrowax::Invocation invocation = ferrowax::readCommandLine(argc, argv);
    switch (invocation.mode) {
    case ferrowax::Invocation::Mode::Help:
        std::fputs(ferrowax::usageText().toUtf8().constData(), stdout);
        return finishedWriting();
    case ferrowax::Invocation::Mode::Version:
        std::printf("ferrowax %s\n", FERROWAX_VERSION);
        return finishedWriting();
    case ferrowax::Invocation::Mode::Mistake:
        std::fprintf(stderr, "ferrowax: %s\nTry 'ferrowax --help' for more information.\n",
            invocation.mistake.toUtf8().constData());
        return ferrowax::exitUsageMistake;
    case ferrowax::Invocation::Mode::List: {
        // Letter case and shell patterns follow the user's language.
        std::setlocale(LC_ALL, "");
        ferrowax::WindowlessEventPump eventPump;
        const ferrowax::PosixFileSystem fileSystem(eventPump, ferrowax::walkLimitsOf(invocation));
        return ferrowax::listMatches(invocation, fileSystem, eventPump, stdout, stderr);
    }
    case ferrowax::Invocation::Mode::Window:
        break;
    }
    return showWindow(argc, argv);
}
