#include "support/qt_printers.h"
#include "support/temp_tree.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
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

TEST(Shutdown, ClosingDuringASearchEndsTheProcessWithoutFinishing)
{
    TempTree tree;
    for (const char* name : {"1.txt", "2.txt", "3.txt", "4.txt"})
        tree.file(name);

    const QString output = runProbe({u"search"_s, QString::fromUtf8(tree.path()), u"4"_s});
    EXPECT_TRUE(output.contains(u"yield 4, 1 results"_s)) << output.toStdString();
    EXPECT_FALSE(output.contains(u"yield 5"_s));
    EXPECT_FALSE(output.contains(u"Done."_s));
    EXPECT_FALSE(output.contains(u"command returned"_s));
}

// Closing ends the process at once, and killing it ends it harder still;
// either way the file being replaced stays whole, and a close leaves
// nothing beside it.
TEST(Shutdown, EndingDuringATextExportLeavesTheOldFileWhole)
{
    for (const bool killed : {false, true}) {
        TempTree tree;
        const QByteArray old = QByteArray(50000, 'o') + "\r\n";
        tree.file("export.txt", old);
        const QString file = QString::fromUtf8(tree.path("export.txt"));
        QProcess probe;
        QStringList arguments{u"export"_s, file, u"1000"_s, u"501"_s};
        if (killed)
            arguments.append(u"hang"_s);
        probe.start(QStringLiteral(CLOSE_PROBE), arguments);
        ASSERT_TRUE(probe.waitForStarted());
        if (killed) {
            QByteArray output;
            while (!output.contains("hanging") && probe.waitForReadyRead(30000))
                output += probe.readAllStandardOutput();
            ASSERT_TRUE(output.contains("hanging"));
            probe.kill();
        }
        ASSERT_TRUE(probe.waitForFinished(30000));
        EXPECT_FALSE(QString::fromUtf8(probe.readAllStandardOutput()).contains(u"Done."_s));
        QFile written(file);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_EQ(written.readAll(), old) << killed;
        if (!killed) {
            EXPECT_EQ(QDir(QString::fromUtf8(tree.path())).entryList(QDir::Files | QDir::Hidden),
                QStringList{u"export.txt"_s});
        }
    }
}

} // namespace
