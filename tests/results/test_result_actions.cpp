#include "command_kit/window_state.h"
#include "results/result_actions.h"
#include "support/qt_printers.h"
#include "support/scripted_services.h"

#include <gtest/gtest.h>

#include <numeric>

using namespace Qt::StringLiterals;
using namespace ferrowax;
using namespace ferrowax::testing;

namespace {

struct ResultActionsTest : ::testing::Test {
    ScriptedServices scripted;
    WindowState window;

    ResultActionsTest()
    {
        for (int i = 1; i <= 12; ++i)
            window.resultList().append("/r/" + QByteArray::number(i) + ".jpg", true);
    }
    std::vector<QByteArray>& files() { return scripted.desktop.files; }
};

TEST_F(ResultActionsTest, OpenOpensEachResultAskingFirstForMoreThanTen)
{
    ListView2_DblClick(window, scripted.services, 2);
    ListView2_KeyDown(window, scripted.services, 3);
    ListView2_KeyDown(window, scripted.services, 0); // no current result
    mnuOpen_Click(window, scripted.services, {1, 12});
    EXPECT_EQ(files(), (std::vector<QByteArray>{"open /r/2.jpg", "open /r/3.jpg", "open /r/1.jpg", "open /r/12.jpg"}));
    EXPECT_TRUE(scripted.dialogs.shown.empty());

    std::vector<int> eleven(11);
    std::iota(eleven.begin(), eleven.end(), 1);
    for (const int answer : {Answer::No, Answer::Yes}) {
        files().clear();
        scripted.dialogs.messageAnswers.push_back(answer);
        mnuOpen_Click(window, scripted.services, eleven);
        EXPECT_EQ(scripted.dialogs.messages().back(), u"Open 11 files?"_s);
        EXPECT_EQ(scripted.dialogs.shown.back().style, BoxStyle::YesNo);
        EXPECT_EQ(files().size(), answer == Answer::Yes ? 11U : 0U);
    }
}

// A file that cannot be opened is reported at its line, and the others
// still open; nothing else changes.
TEST_F(ResultActionsTest, FailureIsReportedAndTheRestGoOn)
{
    scripted.desktop.failing = "/r/2.jpg";
    mnuOpen_Click(window, scripted.services, {1, 2, 3, 40});
    EXPECT_EQ(files(), (std::vector<QByteArray>{"open /r/1.jpg", "open /r/3.jpg"}));
    ASSERT_EQ(scripted.dialogs.errorReports().size(), 2U);
    EXPECT_TRUE(scripted.dialogs.errorReports()[0].text.startsWith(
        u"No application is registered for this file\r\nin Drovatek2021/08/31.Form1.mnuOpen_Click at line 110"_s));
    EXPECT_TRUE(scripted.dialogs.errorReports()[1].text.contains(u"mnuOpen_Click at line 108"_s));
    EXPECT_EQ(window.resultList().count(), 12);
    EXPECT_TRUE(window.resultList().isChecked(2));

    scripted.desktop.failing = "/r/4.jpg";
    mnuOpenFolder_Click(window, scripted.services, 4);
    EXPECT_TRUE(scripted.dialogs.errorReports().back().text.contains(u"mnuOpenFolder_Click at line 102"_s));
}

TEST_F(ResultActionsTest, ContainingFolderAndCopiedPathsAreTheSelectedResults)
{
    mnuOpenFolder_Click(window, scripted.services, 5);
    EXPECT_EQ(files(), std::vector<QByteArray>{"show /r/5.jpg"});
    mnuCopyPath_Click(window, scripted.services, {3, 10});
    EXPECT_EQ(scripted.clipboard.text, u"/r/3.jpg\r\n/r/10.jpg\r\n"_s);
    EXPECT_TRUE(scripted.dialogs.shown.empty());
}

} // namespace
