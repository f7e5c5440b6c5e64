#include "command_kit/services.h"
#include "platform/ini_settings_store.h"
#include "platform/memory_use.h"
#include "platform/output_file.h"
#include "platform/posix_file_system.h"
#include "platform/process_end.h"
#include "platform/qt_clipboard.h"
#include "platform/qt_desktop_launcher.h"
#include "platform/qt_dialogs.h"
#include "platform/random_source.h"
#include "platform/time_sliced_event_pump.h"
#include "platform/xlsx_spreadsheet.h"
#include "window/form1.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    ferrowax::returnLargeBlocksWhenFreed();
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("ferrowax"));

    ferrowax::QtDialogs dialogs;
    ferrowax::TimeSlicedEventPump eventPump;
    ferrowax::PosixFileSystem fileSystem;
    ferrowax::QtDesktopLauncher desktop;
    ferrowax::ClockSeededRandom random;
    ferrowax::ImmediateProcessEnd processEnd;
    ferrowax::IniSettingsStore settings;
    ferrowax::ReplacingOutputFiles outputFiles;
    ferrowax::QtClipboard clipboard;
    ferrowax::XlsxSpreadsheets spreadsheets;
    spreadsheets.removeOldWorkbooks();
    processEnd.atEnd([&outputFiles] { outputFiles.removeUnfinished(); });
    ferrowax::Services services{dialogs, eventPump, fileSystem, desktop, random, processEnd, settings, outputFiles,
        clipboard, spreadsheets, QCoreApplication::applicationDirPath()};

    ferrowax::Form1 window(services);
    dialogs.setOwner(&window);
    window.Form_Load();
    window.show();
    return QApplication::exec();
}
