#include "command_kit/window_state.h"
#include "search/search_run.h"
#include "support/list_entries.h"
#include "support/qt_printers.h"
#include "support/scripted_services.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace ferrowax;
using namespace ferrowax::testing;

namespace {

struct SearchRunTest : ::testing::Test {
    ScriptedServices scripted;
    WindowState window;
    SearchRun run{window, scripted.services};
    TempTree tree;

    void addFolder(const QByteArray& relative) { window.folderList().append(tree.path(relative)); }
    void press() { run.PushButton1_Click(); }
    std::vector<QByteArray> results() { return entriesOf(window.resultList()); }
};

TEST_F(SearchRunTest, EmptyFolderListIsReportedFirst)
{
    window.setMousePointer(Pointer::Hourglass);
    press();
    EXPECT_EQ(scripted.dialogs.messages(), QStringList{u"No folders added."_s});
    EXPECT_EQ(scripted.dialogs.shown.front().style, 0);
    EXPECT_EQ(window.mousePointer(), Pointer::Default);
    EXPECT_TRUE(run.stopSearch);
}

TEST_F(SearchRunTest, EmptyExtensionListLeavesTheCaptionAlone)
{
    addFolder({});
    press();
    EXPECT_EQ(scripted.dialogs.messages(), QStringList{u"No extensions added."_s});
    EXPECT_EQ(window.startButtonCaption(), u"Start Searching"_s);
    EXPECT_EQ(window.resultList().count(), 0);
}

TEST_F(SearchRunTest, RunShowsItsStateWhileWalkingAndResetsItAfter)
{
    tree.file("a/1.txt");
    tree.file("b/2.txt");
    addFolder("a");
    addFolder("b");
    window.extensionList().append("txt");

    std::vector<double> progressSeen;
    scripted.eventPump.onYield = [&](int) {
        EXPECT_EQ(window.startButtonCaption(), u"Stop"_s);
        EXPECT_EQ(window.mousePointer(), Pointer::Hourglass);
        EXPECT_FALSE(run.stopSearch);
        progressSeen.push_back(window.progressValue());
    };
    press();

    EXPECT_EQ(results(), (std::vector<QByteArray>{tree.path("a/1.txt"), tree.path("b/2.txt")}));
    EXPECT_TRUE(window.resultList().isChecked(1));
    EXPECT_TRUE(window.resultList().isChecked(2));
    // Two yields before each walk and one per file.
    EXPECT_EQ(progressSeen, (std::vector<double>{0, 50, 50, 50, 100, 100}));
    EXPECT_EQ(window.startButtonCaption(), u"Start Searching"_s);
    EXPECT_EQ(run.startCaption, u"Start Searching"_s);
    EXPECT_EQ(window.mousePointer(), Pointer::Default);
    EXPECT_EQ(window.progressValue(), 0);
    EXPECT_EQ(window.progressText(), u"Progress Bar"_s);
    EXPECT_TRUE(run.stopSearch);
    EXPECT_EQ(scripted.dialogs.messages(), QStringList{u"Done."_s});
}

TEST_F(SearchRunTest, SingleFolderShowsOneHundredFromTheStart)
{
    tree.file("only/x.txt");
    addFolder("only");
    window.extensionList().append("txt");
    QStringList texts;
    scripted.eventPump.onYield = [&](int yieldNumber) {
        if (yieldNumber > 1) { // the first yield comes before the bar is set
            EXPECT_EQ(window.progressValue(), 100);
        }
        texts.append(window.progressText());
    };
    press();
    EXPECT_EQ(texts, (QStringList{u"Progress Bar"_s, u"Processing: "_s + QString::fromUtf8(tree.path("only")),
                         u"Processing "_s + QString::fromUtf8(tree.path("only"))}));
}

TEST_F(SearchRunTest, StopDeepInATreeEndsTheRunOnceAndKeepsWhatWasFound)
{
    for (const char* name : {"first/deep/er/1.txt", "first/deep/er/2.txt", "first/deep/er/3.txt", "second/4.txt"})
        tree.file(name);
    addFolder("first");
    addFolder("second");
    window.extensionList().append("txt");
    QStringList textsAfterStop;
    bool stopped = false;
    scripted.eventPump.onYield = [&](int yieldNumber) {
        if (stopped)
            textsAfterStop.append(window.progressText());
        if (yieldNumber == 4) { // before the second file
            press();
            stopped = true;
            EXPECT_EQ(window.startButtonCaption(), u"Start Searching"_s);
            EXPECT_EQ(window.mousePointer(), Pointer::Hourglass);
        }
    };
    press();
    EXPECT_EQ(results(), std::vector<QByteArray>{tree.path("first/deep/er/1.txt")});
    // Only the run's own yield before the next folder follows, and that
    // folder is never begun.
    EXPECT_EQ(textsAfterStop, QStringList{u"Processing "_s + QString::fromUtf8(tree.path("first/deep/er"))});
    EXPECT_EQ(scripted.dialogs.messages(), QStringList{u"Done."_s});
    EXPECT_EQ(window.progressValue(), 0);
    EXPECT_EQ(window.progressText(), u"Progress Bar"_s);
}

TEST_F(SearchRunTest, SecondRunAppendsAfterTheFirst)
{
    tree.file("x.txt");
    addFolder({});
    addFolder({});
    window.extensionList().append("txt");
    press();
    press();
    EXPECT_EQ(results(), std::vector<QByteArray>(4, tree.path("x.txt")));
}

TEST_F(SearchRunTest, ListsChangedDuringARunAffectOnlyWhatTheyMay)
{
    tree.file("a/1.txt");
    tree.file("a/2.jpg");
    tree.file("b/3.txt");
    addFolder("a");
    addFolder("b");
    window.extensionList().append("txt");
    std::vector<double> progressSeen;
    scripted.eventPump.onYield = [&](int yieldNumber) {
        if (yieldNumber == 1) {
            window.extensionList().append("jpg");
            addFolder("a");
            addFolder("a");
        }
        progressSeen.push_back(window.progressValue());
    };
    press();
    // The new extension and folders are not used, but the folders count in
    // the share shown for the ones begun later.
    EXPECT_EQ(results(), (std::vector<QByteArray>{tree.path("a/1.txt"), tree.path("b/3.txt")}));
    EXPECT_EQ(progressSeen.back(), 50);
}

TEST_F(SearchRunTest, ClearingResultsDuringARunLetsTheWalkGoOnAppending)
{
    tree.file("1.txt");
    tree.file("2.txt");
    tree.file("3.txt");
    addFolder({});
    window.extensionList().append("txt");
    scripted.eventPump.onYield = [&](int yieldNumber) {
        if (yieldNumber == 4) // before the second file
            window.resultList().clear();
    };
    press();
    EXPECT_EQ(results(), (std::vector<QByteArray>{tree.path("2.txt"), tree.path("3.txt")}));
}

TEST_F(SearchRunTest, StartPressedAfterStopRunsAWholeNestedRun)
{
    tree.file("a/1.txt");
    tree.file("a/2.txt");
    tree.file("b/3.txt");
    addFolder("a");
    addFolder("b");
    window.extensionList().append("txt");
    bool nested = false;
    scripted.eventPump.onYield = [&](int yieldNumber) {
        if (yieldNumber == 3 && !nested) { // before the first file of the outer run
            nested = true;
            press(); // Stop
            press(); // Start again, before the stopped run unwound
        }
    };
    press();
    EXPECT_EQ(results(),
        (std::vector<QByteArray>{tree.path("a/1.txt"), tree.path("a/2.txt"), tree.path("b/3.txt")}));
    EXPECT_EQ(scripted.dialogs.messages(), (QStringList{u"Done."_s, u"Done."_s}));
    EXPECT_EQ(window.startButtonCaption(), u"Start Searching"_s);
    EXPECT_TRUE(run.stopSearch);
}

TEST_F(SearchRunTest, FolderRemovedDuringARunIsReportedAndNotReplacedByAnother)
{
    tree.file("a/1.txt");
    tree.file("b/2.txt");
    addFolder("a");
    addFolder("b");
    window.extensionList().append("txt");
    scripted.eventPump.onYield = [&](int yieldNumber) {
        if (yieldNumber == 2)
            window.folderList().remove(2);
    };
    press();
    EXPECT_EQ(results(), std::vector<QByteArray>{tree.path("a/1.txt")});
    ASSERT_EQ(scripted.dialogs.errorReports().size(), 1U);
    EXPECT_TRUE(scripted.dialogs.errorReports().front().text.startsWith(
        u"Index out of bounds\r\nin Drovatek2021/08/31.Form1.PushButton1_Click at line 134"_s));
    EXPECT_EQ(scripted.dialogs.messages().back(), u"Done."_s);
}

} // namespace
