#include "support/orphan_reaper.h"
#include "support/qt_printers.h"
#include "support/temp_tree.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using ferrowax::testing::OrphanReaper;
using ferrowax::testing::TempTree;

namespace {

// Runs the probe to its end and answers what it printed.
QString runProbe(const QStringList& arguments)
{
    QProcess probe;
    probe.setProgram(QStringLiteral(CLOSE_PROBE));
    probe.setArguments(arguments);
    probe.start();
    EXPECT_TRUE(probe.waitForFinished(30000));
    const QString output = QString::fromUtf8(probe.readAllStandardOutput());
    EXPECT_EQ(probe.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(probe.exitCode(), 0) << output.toStdString();
    return output;
}

// A reader stuck in the kernel keeps the process's descriptors, and with
// them its display connection and window, after the process has ended; the
// test's own copy of a socket the probe holds stands in for it here. Only a
// shutdown at close ends the connection then.
TEST(Shutdown, ClosingDuringASearchEndsTheProcessWithoutFinishing)
{
    TempTree tree;
    for (const char* name : {"1.txt", "2.txt", "3.txt", "4.txt"})
        tree.file(name);
    int connection[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, connection), 0); // the probe inherits the first
    ::fcntl(connection[1], F_SETFD, FD_CLOEXEC);

    const QString output = runProbe({u"search"_s, QString::fromUtf8(tree.path()), u"4"_s});
    EXPECT_TRUE(output.contains(u"yield 4, 1 results"_s)) << output.toStdString();
    EXPECT_FALSE(output.contains(u"yield 5"_s));
    EXPECT_FALSE(output.contains(u"Done."_s));
    EXPECT_FALSE(output.contains(u"command returned"_s));
    char byte = 0;
    EXPECT_EQ(::recv(connection[1], &byte, 1, MSG_DONTWAIT), 0) << "the connection was not ended";
    ::close(connection[0]);
    ::close(connection[1]);
}

// Open on many files is stopped by closing the window: the process ends at
// once, and no file is opened once every process it left has ended.
TEST(Shutdown, ClosingDuringOpenEndsTheProcessAndTheLaunches)
{
    constexpr int files = 10000;
    TempTree tree;
    for (int file = 1; file <= files; ++file)
        tree.file(QByteArray::number(file) + ".jpg");
    tree.file("xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"${0%/*}/opened\"\n");
    ::chmod(tree.path("xdg-open").constData(), 0700);

    const OrphanReaper reaper;
    const QString output = runProbe({u"open"_s, QString::fromUtf8(tree.path()), u"20"_s});
    EXPECT_TRUE(output.contains(u"Open 10000 files?"_s)) << output.toStdString();
    EXPECT_FALSE(output.contains(u"command returned"_s));
    reaper.waitForAll();
    QFile opened(QString::fromUtf8(tree.path("opened")));
    ASSERT_TRUE(opened.open(QIODevice::ReadOnly));
    const qsizetype launched = opened.readAll().count('\n');
    EXPECT_GE(launched, 20);
    EXPECT_LT(launched, files / 2);
}

// Closing ends the process at once, also while the lines are on their way to
// the disk, and killing it ends it harder still; either way the file being
// replaced stays whole, and a close leaves nothing beside it. A close after
// the save keeps the saved file.
TEST(Shutdown, EndingDuringATextExportLeavesTheOldFileWhole)
{
    enum class Ending { Closed, ClosedWhileWriting, Killed, ClosedAfterwards };
    for (const Ending ending : {Ending::Closed, Ending::ClosedWhileWriting, Ending::Killed, Ending::ClosedAfterwards}) {
        TempTree tree;
        const QByteArray old = QByteArray(50000, 'o') + "\r\n";
        tree.file("export.txt", old);
        const QString file = QString::fromUtf8(tree.path("export.txt"));
        QProcess probe;
        QStringList arguments{u"export"_s, file, u"1000"_s, ending == Ending::ClosedAfterwards ? u"0"_s : u"501"_s};
        if (ending == Ending::Killed)
            arguments.append(u"hang"_s);
        if (ending == Ending::ClosedWhileWriting) {
            arguments[3] = u"1000"_s; // the last line hands the lines over
            arguments.append(u"wait"_s);
        }
        probe.start(QStringLiteral(CLOSE_PROBE), arguments);
        ASSERT_TRUE(probe.waitForStarted());
        if (ending == Ending::Killed) {
            QByteArray output;
            while (!output.contains("hanging") && probe.waitForReadyRead(30000))
                output += probe.readAllStandardOutput();
            ASSERT_TRUE(output.contains("hanging"));
            probe.kill();
        }
        ASSERT_TRUE(probe.waitForFinished(30000));
        const QString output = QString::fromUtf8(probe.readAllStandardOutput());
        EXPECT_EQ(output.contains(u"Done."_s), ending == Ending::ClosedAfterwards);
        EXPECT_EQ(output.contains(u"closing while the disk is waited on"_s), ending == Ending::ClosedWhileWriting);
        QFile written(file);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        const QByteArray content = written.readAll();
        if (ending == Ending::ClosedAfterwards) {
            EXPECT_TRUE(content.startsWith("/line/1\r\n") && content.endsWith("/line/1000\r\n"));
            EXPECT_EQ(probe.exitCode(), 0) << output.toStdString();
        } else {
            EXPECT_EQ(content, old);
        }
        // A kill leaves nothing either where the new text has no name yet.
        const bool unnamed = ::close(::open(tree.path().constData(), O_TMPFILE | O_WRONLY, 0600)) == 0;
        if (ending != Ending::Killed || unnamed) {
            EXPECT_EQ(QDir(QString::fromUtf8(tree.path())).entryList(QDir::Files | QDir::Hidden),
                QStringList{u"export.txt"_s});
        }
    }
}

} // namespace
