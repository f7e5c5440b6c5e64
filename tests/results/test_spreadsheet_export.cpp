#include "command_kit/window_state.h"
#include "results/spreadsheet_export.h"
#include "support/list_entries.h"
#include "support/qt_printers.h"
#include "support/scripted_services.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace ferrowax;
using namespace ferrowax::testing;

namespace {

struct SpreadsheetExportTest : ::testing::Test {
    ScriptedServices scripted;
    WindowState window;

    SpreadsheetExportTest() { window.resultList().addColumn(u"Results"_s); }
    void results(std::initializer_list<std::pair<QByteArray, bool>> entries)
    {
        appendResults(window.resultList(), entries);
    }
    void press() { PushButton14_Click(window, scripted.services); }
    QStringList& calls() { return scripted.spreadsheets.calls; }
};

TEST_F(SpreadsheetExportTest, MissingApplicationGivesTheTwoMessagesAndNothingElse)
{
    scripted.spreadsheets.installed = false;
    results({{"/a", true}});
    window.setMousePointer(Pointer::Hand);
    press();
    EXPECT_EQ(scripted.dialogs.messages(),
        (QStringList{u"Excel is not installed on this computer. You need to have it installed to use this software "
                     u"without error."_s,
            u"Excel is not installed on this computer. You need to have it installed to use this feature."_s}));
    EXPECT_EQ(scripted.dialogs.shown[0].style, 0);
    EXPECT_EQ(scripted.dialogs.shown[1].style, 0);
    EXPECT_EQ(window.mousePointer(), Pointer::Hand);
    EXPECT_TRUE(calls().isEmpty());
}

TEST_F(SpreadsheetExportTest, CheckedEntriesKeepTheirRowsAndUncheckedOnesLeaveThemEmpty)
{
    results({{"/1", false}, {"/2", true}, {"/3", false}, {"/4", true}});
    int pointerDuring = -1;
    scripted.eventPump.onYield = [&](int) { pointerDuring = window.mousePointer(); };
    press();
    EXPECT_EQ(calls(),
        (QStringList{u"create 1"_s, u"1: release"_s, u"create 2"_s, u"2: add workbook"_s, u"2: visible 1"_s,
            u"2: cell 1 1 Results"_s, u"2: fit 1"_s, u"2: cell 3 1 /2"_s, u"2: cell 5 1 /4"_s, u"2: fit all"_s,
            u"2: release"_s}));
    EXPECT_EQ(pointerDuring, Pointer::Hourglass);
    EXPECT_EQ(window.mousePointer(), Pointer::Default);
    EXPECT_TRUE(scripted.dialogs.shown.empty());
    // A caption per column, then one yield per entry and per cell written.
    EXPECT_EQ(scripted.eventPump.yields, 1 + 4 + 2);
}

TEST_F(SpreadsheetExportTest, NoEntryCheckedWritesTheCaptionAlone)
{
    results({{"/1", false}, {"/2", false}});
    press();
    EXPECT_EQ(calls().filter(u"cell"_s), QStringList{u"2: cell 1 1 Results"_s});
    EXPECT_TRUE(calls().contains(u"2: fit all"_s));
}

TEST_F(SpreadsheetExportTest, EmptyListOpensNoWorkbook)
{
    window.setMousePointer(Pointer::Hand);
    press();
    EXPECT_EQ(calls(), (QStringList{u"create 1"_s, u"1: release"_s}));
    EXPECT_EQ(window.mousePointer(), Pointer::Default);
    EXPECT_TRUE(scripted.dialogs.shown.empty());
}

TEST_F(SpreadsheetExportTest, EachPressMakesANewWorkbookInItsOwnApplication)
{
    results({{"/1", true}});
    press();
    press();
    EXPECT_EQ(calls().filter(u"add workbook"_s), (QStringList{u"2: add workbook"_s, u"4: add workbook"_s}));
    EXPECT_EQ(calls().filter(u"cell 2 1"_s), (QStringList{u"2: cell 2 1 /1"_s, u"4: cell 2 1 /1"_s}));
}

// The first failure is reported once and ends the export; no workbook is
// shown for results it does not hold whole.
TEST_F(SpreadsheetExportTest, FirstFailureEndsTheExportWithOneReportAndNoWorkbook)
{
    struct Case {
        QString failing;
        bool clearList;
        int line;
        QString description;
    };
    for (const Case& failure : {Case{u"add workbook"_s, false, 114, u"Failed on cue"_s},
             Case{u"cell 3 1 /2"_s, false, 152, u"Failed on cue"_s}, Case{{}, true, 144, u"Index out of bounds"_s}}) {
        window.resultList().clear();
        calls().clear();
        scripted.dialogs.shown.clear();
        results({{"/1", true}, {"/2", true}, {"/3", true}});
        scripted.spreadsheets.failing = failure.failing;
        scripted.eventPump.yields = 0;
        scripted.eventPump.onYield = [&](int yieldNumber) {
            if (failure.clearList && yieldNumber == 2) // before the first entry
                window.resultList().clear();
        };
        press();
        ASSERT_EQ(scripted.dialogs.errorReports().size(), 1U) << failure.line;
        EXPECT_TRUE(scripted.dialogs.errorReports().front().text.startsWith(failure.description
            + u"\r\nin Drovatek2021/08/31.Form1.PushButton14_Click at line "_s + QString::number(failure.line)));
        EXPECT_EQ(calls().filter(u"release"_s).size(), 1) << failure.line; // spreadsheetAvailable's own
        EXPECT_FALSE(calls().contains(u"2: fit all"_s));
        EXPECT_EQ(window.mousePointer(), Pointer::Default);
    }
}

} // namespace
