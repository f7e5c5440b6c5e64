// Starts the real window over the real file system and closes it in the
// middle of a search, to show that closing ends the process at once.
#include "platform/posix_file_system.h"
#include "platform/process_end.h"
#include "shell/form1.h"
#include "shell/services.h"
#include "support/fake_services.h"
#include "support/scripted_dialogs.h"

#include <QApplication>
#include <QPushButton>

#include <cstdio>

using namespace ferrowax;

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 3)
        return 2;
    const QByteArray folder = argv[1];
    const int closeAtYield = QByteArray(argv[2]).toInt();

    testing::ScriptedDialogs dialogs;
    dialogs.whileShown = [](const testing::ShownBox& box) {
        std::printf("box: %s\n", box.text.toUtf8().constData());
    };
    testing::HookedEventPump eventPump;
    PosixFileSystem fileSystem;
    testing::RecordingLauncher desktop;
    testing::ScriptedRandom random;
    ImmediateProcessEnd processEnd;
    testing::ScriptedSettings settings;
    Services services{dialogs, eventPump, fileSystem, desktop, random, processEnd, settings, QString()};

    Form1 window(services);
    window.Form_Load();
    window.show();
    window.state().folderList().append(folder);
    window.state().extensionList().append("txt");
    eventPump.onYield = [&](int yieldNumber) {
        std::printf("yield %d, %d results\n", yieldNumber, window.state().resultList().count());
        if (yieldNumber == closeAtYield)
            window.close();
    };
    window.findChild<QPushButton*>(QStringLiteral("PushButton1"))->click();
    std::printf("search returned\n");
    return 3;
}
