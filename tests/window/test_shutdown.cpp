#include "support/qt_printers.h"
#include "support/temp_tree.h"

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

TEST(Shutdown, ClosingDuringATextExportKeepsEveryLineAlreadyWritten)
{
    TempTree tree;
    const QString file = QString::fromUtf8(tree.path("export.txt"));
    // The close comes at the yield before line 501.
    const QString output = runProbe({u"export"_s, file, u"1000"_s, u"501"_s});
    EXPECT_FALSE(output.contains(u"Done."_s));
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray content = written.readAll();
    EXPECT_EQ(content.count("\r\n"), 500);
    EXPECT_TRUE(content.endsWith("/line/500\r\n"));
}

} // namespace
