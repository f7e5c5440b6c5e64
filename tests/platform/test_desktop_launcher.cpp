#include "platform/desktop_launcher.h"
#include "platform/failure.h"
#include "platform/off_thread.h"
#include "platform/program_start.h"
#include "platform/qt_desktop_launcher.h"
#include "support/hang_guard.h"
#include "support/orphan_reaper.h"
#include "support/qt_printers.h"

#include <QDBusMessage>
#include <QDBusServer>
#include <QDBusVirtualObject>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
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

    const auto released = std::make_shared<std::atomic<bool>>(false);
    const auto ended = std::make_shared<std::atomic<bool>>(false);
    EXPECT_FALSE(runOffThread([released, ended] { *ended = waitOffThread(*released); }, 50));
    *released = true;
    EXPECT_TRUE(QTest::qWaitFor([&] { return ended->load(); }, 10000));
}

// Each start is watched while the next ones go on: programs that end only
// once all have started end well, though each would be watched a minute;
// one that fails meanwhile is reported; one still running at the end of its
// watch has started well.
TEST(StartEachWatched, StartsEachWithoutWaitingOnTheOneBeforeAndReportsAFailureMeanwhile)
{
    const HangGuard guard(30);
    QTemporaryDir folder;
    const QString program = folder.filePath(u"opener"_s);
    QFile script(program);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$0.record\"\n[ \"$1\" = fails ] && exit 3\n"
                 "while [ \"$1\" = lingers ] && [ ! -e \"$0.record.released\" ]; do /bin/sleep 0.01; done\n"
                 "[ \"$1\" = waits ] || exit 0\nwhile [ \"$(/usr/bin/wc -l < \"$0.record\")\" -lt 3 ]; do /bin/sleep 0.01; done\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    struct Case {
        std::vector<QStringList> launches;
        int watchMilliseconds;
        QString failure;
    };
    const std::vector<Case> cases{
        {{{u"waits"_s}, {u"waits"_s}, {u"waits"_s}}, 60000, {}},
        {{{u"1"_s}, {u"fails"_s}, {u"waits"_s}, {u"waits"_s}}, 60000, program + u" ended with exit status 3"_s},
        {{{u"lingers"_s}, {u"1"_s}}, 100, {}},
    };
    const OrphanReaper reaper;
    for (const Case& row : cases) {
        QString failure;
        try {
            startEachWatched(program, row.launches, QProcessEnvironment(), row.watchMilliseconds);
        } catch (const Failure& failed) {
            failure = failed.description();
        }
        EXPECT_EQ(failure, row.failure);
        QFile(program + u".record.released"_s).open(QIODevice::WriteOnly);
        reaper.waitForAll();
        QFile::remove(program + u".record"_s);
        QFile::remove(program + u".record.released"_s);
    }
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
    QtDesktopLauncher launcher(environment, bus);
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
