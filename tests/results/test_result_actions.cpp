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

std::vector<int> firstEntries(int count)
{
    std::vector<int> entries(static_cast<std::size_t>(count));
    std::iota(entries.begin(), entries.end(), 1);
    return entries;
}

TEST_F(ResultActionsTest, OpenOpensEachResultAskingFirstForMoreThanTen)
{
    ListView2_DblClick(window, scripted.services, 2);
    ListView2_KeyDown(window, scripted.services, 3);
    ListView2_KeyDown(window, scripted.services, 0); // no current result
    mnuOpen_Click(window, scripted.services, {1, 12});
    EXPECT_EQ(files(), (std::vector<QByteArray>{"open /r/2.jpg", "open /r/3.jpg", "open /r/1.jpg", "open /r/12.jpg"}));
    mnuOpen_Click(window, scripted.services, firstEntries(10));
    EXPECT_EQ(files().size(), 14U);
    EXPECT_TRUE(scripted.dialogs.shown.empty());

    for (const int answer : {Answer::No, Answer::Yes}) {
        files().clear();
        scripted.dialogs.messageAnswers.push_back(answer);
        mnuOpen_Click(window, scripted.services, firstEntries(11));
        EXPECT_EQ(scripted.dialogs.messages().back(), u"Open 11 files?"_s);
        EXPECT_EQ(scripted.dialogs.shown.back().style, BoxStyle::YesNo);
        EXPECT_EQ(files().size(), answer == Answer::Yes ? 11U : 0U);
    }

    // What opens is what was chosen, though the list is narrowed while each
    // launch is watched.
    files().clear();
    scripted.desktop.whileLaunching = [&] { window.resultList().remove(1); };
    scripted.dialogs.messageAnswers.push_back(Answer::Yes);
    mnuOpen_Click(window, scripted.services, firstEntries(11));
    ASSERT_EQ(files().size(), 11U);
    EXPECT_EQ(files().back(), "open /r/11.jpg");
}

// The first failure is reported once and ends the command: an opener that
// fails gives one box, not one per file. Nothing else changes.
TEST_F(ResultActionsTest, FirstFailureIsReportedOnceAndEndsTheCommand)
{
    scripted.desktop.failing = "/r/2.jpg";
    mnuOpen_Click(window, scripted.services, {1, 2, 3});
    EXPECT_EQ(files(), std::vector<QByteArray>{"open /r/1.jpg"});
    ASSERT_EQ(scripted.dialogs.errorReports().size(), 1U);
    EXPECT_TRUE(scripted.dialogs.errorReports()[0].text.startsWith(
        u"No application is registered for this file\r\nin Drovatek2021/08/31.Form1.mnuOpen_Click at line 108"_s));
    EXPECT_EQ(window.resultList().count(), 12);
    EXPECT_TRUE(window.resultList().isChecked(2));

    // A result that cannot be read: nothing opens, nothing is copied.
    files().clear();
    mnuOpen_Click(window, scripted.services, {1, 40, 3});
    mnuCopyPath_Click(window, scripted.services, {1, 40});
    EXPECT_TRUE(files().empty());
    EXPECT_EQ(scripted.clipboard.text, u"previous content"_s);
    ASSERT_EQ(scripted.dialogs.errorReports().size(), 3U);
    EXPECT_TRUE(scripted.dialogs.errorReports()[1].text.contains(u"mnuOpen_Click at line 100"_s));
    EXPECT_TRUE(scripted.dialogs.errorReports()[2].text.contains(u"mnuCopyPath_Click at line 100"_s));

    scripted.desktop.failing = "/r/4.jpg";
    mnuOpenFolder_Click(window, scripted.services, 4);
    EXPECT_TRUE(scripted.dialogs.errorReports().back().text.contains(u"mnuOpenFolder_Click at line 102"_s));
}

TEST_F(ResultActionsTest, ContainingFolderAndCopiedPathsAreTheSelectedResults)
{
    mnuOpenFolder_Click(window, scripted.services, 5);
    EXPECT_EQ(files(), std::vector<QByteArray>{"show /r/5.jpg"});
    mnuCopyPath_Click(window, scripted.services, {});
    EXPECT_EQ(scripted.clipboard.text, u"previous content"_s);
    mnuCopyPath_Click(window, scripted.services, {3, 10});
    EXPECT_EQ(scripted.clipboard.text, u"/r/3.jpg\r\n/r/10.jpg\r\n"_s);
    EXPECT_TRUE(scripted.dialogs.shown.empty());
}

} // namespace
