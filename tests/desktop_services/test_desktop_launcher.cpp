#include "desktop_services/desktop_launcher.h"
#include "os/failure.h"
#include "os/io_service.h"
#include "os/time_sliced_event_pump.h"
#include "desktop_services/qt_desktop_launcher.h"
#include "support/hang_guard.h"
#include "support/qt_printers.h"

#include <QDBusMessage>
#include <QDBusServer>
#include <QDBusVirtualObject>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

using namespace Qt::StringLiterals;
using namespace ferrowax;
using namespace ferrowax::testing;

namespace {

// A file manager on a private bus. It answers on the test's thread, so only
// a caller that handles events while it waits hears its answer.
class FileManager final : public QDBusVirtualObject {
public:
    enum class Answer { Shown, Error, Never };
    Answer answer = Answer::Shown;
    QStringList asked;

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        asked += message.arguments().value(0).toStringList();
        if (answer == Answer::Shown)
            connection.send(message.createReply());
        else if (answer == Answer::Error)
            connection.send(message.createErrorReply(u"org.freedesktop.DBus.Error.Failed"_s, u"Cannot show"_s));
        return true;
    }
};

// The launcher over that bus, with an xdg-open of the test's own that
// writes down what it is asked to open. A file that is gone is reported,
// as the thread that looked for it found it.
TEST(QtDesktopLauncher, OpensOrShowsTheFileInTheFileManagerElseOpensItsFolder)
{
    const HangGuard guard(60);
    FileManager fileManager;
    QDBusServer server(u"unix:tmpdir=/tmp"_s);
    QList<QDBusConnection> served;
    QObject::connect(&server, &QDBusServer::newConnection, [&](const QDBusConnection& connection) {
        served.append(connection);
        served.back().registerVirtualObject(u"/org/freedesktop/FileManager1"_s, &fileManager);
    });
    const QDBusConnection bus = QDBusConnection::connectToPeer(server.address(), u"launcher-test"_s);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !served.isEmpty(); }, 10000));

    QTemporaryDir folder;
    QFile opener(folder.filePath(u"xdg-open"_s));
    ASSERT_TRUE(opener.open(QIODevice::WriteOnly));
    opener.write("#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$0.record\"\n");
    opener.close();
    opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const auto opened = [&] {
        QFile record(folder.filePath(u"xdg-open.record"_s));
        return record.open(QIODevice::ReadOnly) ? record.readAll() : QByteArray();
    };
    QProcessEnvironment environment;
    environment.insert(u"PATH"_s, folder.path());
    TimeSlicedEventPump pump;
    IoService io(pump);
    QtDesktopLauncher launcher(io, environment, bus);
    const QByteArray file = QFile::encodeName(folder.filePath(u"caf\u00e9 1.jpg"_s));
    QFile(QString::fromUtf8(file)).open(QIODevice::WriteOnly);

    launcher.openFiles({file});
    EXPECT_EQ(opened(), fileUrlOf(file) + '\n');
    launcher.showInFolder(file);
    EXPECT_EQ(fileManager.asked, QStringList{QString::fromLatin1(fileUrlOf(file))});
    EXPECT_EQ(opened(), fileUrlOf(file) + '\n');

    const QByteArray folderLine = fileUrlOf(QFile::encodeName(folder.path())) + '\n';
    for (const auto answer : {FileManager::Answer::Error, FileManager::Answer::Never}) {
        fileManager.answer = answer;
        launcher.showInFolder(file);
        EXPECT_TRUE(opened().endsWith(folderLine)) << static_cast<int>(answer) << ": " << opened().toStdString();
    }
    EXPECT_EQ(fileManager.asked.size(), 3);
    EXPECT_EQ(opened().count('\n'), 3);

    // Of many, those before the one that is gone open, and none after it.
    const QByteArray gone = QFile::encodeName(folder.filePath(u"gone.jpg"_s));
    for (const auto& action : std::vector<std::function<void()>>{[&] { launcher.openFiles({gone}); },
             [&] { launcher.showInFolder(gone); }, [&] { launcher.openFiles({file, gone, file}); }}) {
        try {
            action();
            ADD_FAILURE() << "a file that is gone was not reported";
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.description(), u"No such file or directory"_s);
        }
    }
    EXPECT_EQ(fileManager.asked.size(), 3);
    EXPECT_EQ(opened().count('\n'), 4);
    QDBusConnection::disconnectFromPeer(u"launcher-test"_s);
}

} // namespace
