#include "command_kit/error_report.h"
#include "command_kit/procedure.h"
#include "os/failure.h"
#include "support/qt_printers.h"
#include "support/scripted_dialogs.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

using namespace Qt::StringLiterals;
using namespace ferrowax;
using ferrowax::testing::ScriptedDialogs;

namespace {

const QString location = u"in Drovatek2021/08/31.Form1.PushButton6_Click "_s;

struct ProcedureTest : ::testing::Test {
    ScriptedDialogs dialogs;
    ErrorReport report{dialogs};
    Procedure p{report, location};
};

[[noreturn]] void fail(const char* description)
{
    throw Failure(QString::fromUtf8(description));
}

TEST(ErrorReportText, NamesFailureLocationLineAndSupportAddress)
{
    EXPECT_EQ(ErrorReport::text(location, 100, u"Index out of bounds"_s),
        u"Index out of bounds\r\nin Drovatek2021/08/31.Form1.PushButton6_Click at line 100\r\r"
        u"Please email screenshot of this message to support@kestrune.example"_s);
    EXPECT_TRUE(ErrorReport::text(location, 7, QString()).startsWith(u"\r\nin Drovatek"_s));
}

TEST_F(ProcedureTest, FailingStepIsReportedAndTheNextStatementRuns)
{
    std::vector<int> ran;
    EXPECT_FALSE(p.step(100, [&] { fail("first"); }));
    EXPECT_TRUE(p.step(102, [&] { ran.push_back(102); }));
    EXPECT_FALSE(p.step(104, [&] { throw std::runtime_error("second"); }));

    EXPECT_EQ(ran, std::vector<int>{102});
    ASSERT_EQ(dialogs.shown.size(), 2U);
    EXPECT_EQ(dialogs.shown[0].caption, u"Application Error"_s);
    EXPECT_EQ(dialogs.shown[0].style, 48);
    EXPECT_EQ(dialogs.shown[0].text,
        u"first\r\nin Drovatek2021/08/31.Form1.PushButton6_Click at line 100\r\r"
        u"Please email screenshot of this message to support@kestrune.example"_s);
    EXPECT_TRUE(dialogs.shown[1].text.startsWith(u"second\r\nin Drovatek2021/08/31.Form1.PushButton6_Click at line 104\r\r"_s));
}

TEST_F(ProcedureTest, FailingTestCountsAsPassed)
{
    EXPECT_TRUE(p.test(110, [&]() -> bool { fail("cannot read"); }));
    EXPECT_FALSE(p.test(112, [] { return false; }));
    EXPECT_EQ(dialogs.errorReports().size(), 1U);
}

TEST_F(ProcedureTest, FailingLoopHeaderRunsTheBodyOnce)
{
    EXPECT_EQ(p.loopBound(120, 1, []() -> int { fail("no count"); }), 1);
    EXPECT_EQ(p.loopBound(122, 1, [] { return 5; }), 5);

    const std::vector<QByteArray>& items = p.loopItems(124, []() -> const std::vector<QByteArray>& { fail("no listing"); });
    ASSERT_EQ(items.size(), 1U);
    EXPECT_TRUE(items.front().isNull());
    const std::vector<QByteArray> listed{"a", "b"};
    EXPECT_EQ(&p.loopItems(126, [&]() -> const std::vector<QByteArray>& { return listed; }), &listed);
    EXPECT_EQ(dialogs.errorReports().size(), 2U);
}

TEST_F(ProcedureTest, CommandsRunInsideTheReportBox)
{
    int nested = 0;
    dialogs.whileShown = [&](const auto&) {
        Procedure inner(report, u"in Drovatek2021/08/31.Form1.PushButton9_Click "_s);
        inner.step(100, [&] { ++nested; });
    };
    p.step(100, [] { fail("outer"); });
    EXPECT_EQ(nested, 1);
}

} // namespace
