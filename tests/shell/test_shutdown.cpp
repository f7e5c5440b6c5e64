#include "support/qt_printers.h"
#include "support/temp_tree.h"

#include <QProcess>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using ferrowax::testing::TempTree;

namespace {

TEST(Shutdown, ClosingDuringASearchEndsTheProcessWithoutFinishing)
{
    TempTree tree;
    for (const char* name : {"1.txt", "2.txt", "3.txt", "4.txt"})
        tree.file(name);

    QProcess probe;
    probe.setProgram(QStringLiteral(CLOSE_PROBE));
    probe.setArguments({QString::fromUtf8(tree.path()), u"4"_s});
    probe.start();
    ASSERT_TRUE(probe.waitForFinished(30000));
    const QString output = QString::fromUtf8(probe.readAllStandardOutput());

    EXPECT_EQ(probe.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(probe.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(u"yield 4, 1 results"_s)) << output.toStdString();
    EXPECT_FALSE(output.contains(u"yield 5"_s));
    EXPECT_FALSE(output.contains(u"Done."_s));
    EXPECT_FALSE(output.contains(u"search returned"_s));
}

} // namespace
