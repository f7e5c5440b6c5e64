#include "platform/desktop_launcher.h"
#include "platform/failure.h"
#include "platform/off_thread.h"
#include "platform/qt_desktop_launcher.h"
#include "support/hang_guard.h"
#include "support/qt_printers.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusServer>
#include <QDBusVirtualObject>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

using namespace Qt::StringLiterals;
using namespace ferrowax;
using namespace ferrowax::testing;
using namespace std::chrono_literals;

namespace {

// Waits for `flag` for up to ten seconds, as work on another thread.
bool waitOffThread(const std::atomic<bool>& flag)
{
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!flag && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    return flag;
}

TEST(RunOffThread, TheCallerHandlesEventsWhileItWaitsAndLeavesStuckWorkBehind)
{
    const HangGuard guard(60);
    const auto handled = std::make_shared<std::atomic<bool>>(false);
    const auto sawEvents = std::make_shared<std::atomic<bool>>(false);
    QTimer::singleShot(0, [handled] { *handled = true; });
    ASSERT_TRUE(runOffThread([handled, sawEvents] { *sawEvents = waitOffThread(*handled); }, 20000));
    EXPECT_TRUE(*sawEvents);

    try {
        runOffThread([] { throw Failure(u"No such file or directory"_s); }, 20000);
        ADD_FAILURE() << "the work's failure was lost";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.description(), u"No such file or directory"_s);
    }

    const auto released = std::make_shared<std::atomic<bool>>(false);
    const auto ended = std::make_shared<std::atomic<bool>>(false);
    EXPECT_FALSE(runOffThread([released, ended] { *ended = waitOffThread(*released); }, 50));
    *released = true;
    EXPECT_TRUE(QTest::qWaitFor([&] { return ended->load(); }, 10000));
}

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
// writes down what it is asked to open.
struct DesktopLauncherTest : ::testing::Test {
    QTemporaryDir folder;
    FileManager fileManager;
    QDBusServer server{u"unix:tmpdir=/tmp"_s};
    QList<QDBusConnection> served;
    std::unique_ptr<QtDesktopLauncher> launcher;
    QByteArray file;

    void SetUp() override
    {
        QObject::connect(&server, &QDBusServer::newConnection, [this](const QDBusConnection& connection) {
            served.append(connection);
            served.back().registerVirtualObject(u"/org/freedesktop/FileManager1"_s, &fileManager);
        });
        const QDBusConnection bus = QDBusConnection::connectToPeer(server.address(), u"launcher-test"_s);
        ASSERT_TRUE(bus.isConnected()) << bus.lastError().message().toStdString();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !served.isEmpty(); }, 10000));

        ASSERT_TRUE(folder.isValid());
        ASSERT_TRUE(QDir(folder.path()).mkdir(u"bin"_s));
        QFile opener(folder.filePath(u"bin/xdg-open"_s));
        ASSERT_TRUE(opener.open(QIODevice::WriteOnly));
        opener.write("#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$0.record\"\n");
        opener.close();
        opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment environment;
        environment.insert(u"PATH"_s, folder.filePath(u"bin"_s));
        launcher = std::make_unique<QtDesktopLauncher>(environment, bus);

        file = QFile::encodeName(folder.filePath(u"caf\u00e9 1.jpg"_s));
        QFile(QString::fromUtf8(file)).open(QIODevice::WriteOnly);
    }
    void TearDown() override { QDBusConnection::disconnectFromPeer(u"launcher-test"_s); }

    QList<QByteArray> opened() const
    {
        QFile record(folder.filePath(u"bin/xdg-open.record"_s));
        if (!record.open(QIODevice::ReadOnly))
            return {};
        QList<QByteArray> lines = record.readAll().split('\n');
        lines.removeLast(); // after the last line's end
        return lines;
    }
    QString failureOf(const std::function<void()>& action)
    {
        try {
            action();
        } catch (const Failure& failure) {
            return failure.description();
        }
        return {};
    }
};

TEST_F(DesktopLauncherTest, OpensTheFileWithTheDesktopsOpener)
{
    launcher->openFile(file);
    EXPECT_EQ(opened(), QList<QByteArray>{fileUrlOf(file)});
    const QByteArray gone = QFile::encodeName(folder.filePath(u"gone.jpg"_s));
    EXPECT_EQ(failureOf([&] { launcher->openFile(gone); }), u"No such file or directory"_s);
    EXPECT_EQ(opened().size(), 1);
}

// Shown in the file manager when it answers in time; otherwise, whatever
// went wrong on the bus, the folder opens.
TEST_F(DesktopLauncherTest, ShowsTheFileInTheFileManagerElseOpensItsFolder)
{
    const HangGuard guard(60);
    const QString url = QString::fromLatin1(fileUrlOf(file));
    launcher->showInFolder(file);
    EXPECT_EQ(fileManager.asked, QStringList{url});
    EXPECT_TRUE(opened().isEmpty());

    const QByteArray folderUrl = fileUrlOf(QFile::encodeName(folder.path()));
    qsizetype folders = 0;
    for (const auto answer : {FileManager::Answer::Error, FileManager::Answer::Never}) {
        fileManager.answer = answer;
        launcher->showInFolder(file);
        EXPECT_EQ(opened(), QList<QByteArray>(++folders, folderUrl)) << static_cast<int>(answer);
    }
    EXPECT_EQ(fileManager.asked.size(), 3);

    const QByteArray gone = QFile::encodeName(folder.filePath(u"gone.jpg"_s));
    EXPECT_EQ(failureOf([&] { launcher->showInFolder(gone); }), u"No such file or directory"_s);
    EXPECT_EQ(fileManager.asked.size(), 3);
}

} // namespace
