#include "command_kit/list_content.h"
#include "command_kit/window_state.h"
#include "os/failure.h"
#include "results/clipboard_export.h"
#include "support/list_entries.h"
#include "support/qt_printers.h"
#include "support/scripted_services.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace ferrowax;
using namespace ferrowax::testing;

namespace {

const QString copiedMessage = u"Results have been copied to the clipboard.\r\rClick a text area where you normally "
                              u"type and press Ctrl+V to paste the clipboard."_s;

struct ClipboardExportTest : ::testing::Test {
    ScriptedServices scripted;
    WindowState window;

    ClipboardExportTest() { window.resultList().addColumn(u"Results"_s); }
    void results(std::initializer_list<std::pair<QByteArray, bool>> entries)
    {
        appendResults(window.resultList(), entries);
    }
    void copy() { PushButton5_Click(window, scripted.services); }
};

TEST_F(ClipboardExportTest, CheckedEntriesBecomeCrLfLines)
{
    results({{"C:\\A\\x.txt", true}, {"C:\\B\\y.jpg", true}});
    copy();
    EXPECT_EQ(scripted.clipboard.text, u"C:\\A\\x.txt\r\nC:\\B\\y.jpg\r\n"_s);
    EXPECT_EQ(scripted.dialogs.messages(), QStringList{copiedMessage});
    EXPECT_EQ(scripted.dialogs.shown.front().style, 0);
}

TEST_F(ClipboardExportTest, UncheckedEntriesAreLeftOut)
{
    results({{"C:\\A\\x.txt", false}, {"C:\\B\\y.jpg", true}});
    copy();
    EXPECT_EQ(scripted.clipboard.text, u"C:\\B\\y.jpg\r\n"_s);
    window.resultList().setChecked(2, false);
    copy();
    EXPECT_EQ(scripted.clipboard.text, QString());
    EXPECT_EQ(scripted.clipboard.clears, 2);
    EXPECT_EQ(scripted.dialogs.messages(), (QStringList{copiedMessage, copiedMessage}));
}

TEST_F(ClipboardExportTest, EmptyListLeavesTheClipboardAlone)
{
    copy();
    EXPECT_EQ(scripted.clipboard.text, u"previous content"_s);
    EXPECT_EQ(scripted.clipboard.attempts, 0);
    EXPECT_EQ(scripted.dialogs.messages(), QStringList{copiedMessage});
}

TEST_F(ClipboardExportTest, TrailingSpacesOfAPathAreDropped)
{
    results({{"/a/name with space ", true}, {"/b", true}});
    copy();
    EXPECT_EQ(scripted.clipboard.text, u"/a/name with space\r\n/b\r\n"_s);
}

TEST_F(ClipboardExportTest, EntryRemovedDuringTheCopyIsReportedAndTheClipboardKept)
{
    results({{"/1", true}, {"/2", true}, {"/3", true}});
    scripted.eventPump.onYield = [&](int yieldNumber) {
        if (yieldNumber == 4) // in the second pass
            window.resultList().remove(3);
    };
    copy();
    EXPECT_EQ(scripted.clipboard.text, u"previous content"_s);
    ASSERT_EQ(scripted.dialogs.errorReports().size(), 1U);
    EXPECT_TRUE(scripted.dialogs.errorReports().front().text.startsWith(
        u"Index out of bounds\r\nin Drovatek2021/08/31.Form1.PushButton5_Click at line 106\r\r"_s));
    EXPECT_EQ(scripted.dialogs.messages().back(), copiedMessage);
}

TEST_F(ClipboardExportTest, BusyClipboardIsTriedAgainAThousandTimesAtMost)
{
    results({{"/a", true}});
    scripted.clipboard.busyAttempts = 7;
    copy();
    EXPECT_EQ(scripted.clipboard.text, u"/a\r\n"_s);
    EXPECT_EQ(scripted.clipboard.attempts, 9);

    scripted.clipboard.attempts = 0;
    scripted.clipboard.busyAttempts = 1000000;
    scripted.clipboard.text = u"held"_s;
    copy();
    EXPECT_EQ(scripted.clipboard.attempts, 2000);
    EXPECT_EQ(scripted.clipboard.text, u"held"_s);
    EXPECT_TRUE(scripted.dialogs.errorReports().empty());
    EXPECT_EQ(scripted.dialogs.messages().size(), 2);
}

// A list with sub-items, as any report view may have.
struct TwoColumnList final : ListContent {
    std::vector<std::array<QString, 2>> rows;
    std::vector<bool> checked;
    int count() const override { return static_cast<int>(rows.size()); }
    int columns() const override { return 2; }
    QString columnHeader(int column) const override { return column == 1 ? u"Name"_s : u"Size"_s; }
    QString cell(int entry, int column) const override
    {
        if (entry < 1 || entry > count())
            throw Failure(u"Index out of bounds"_s);
        return rows[static_cast<std::size_t>(entry - 1)][static_cast<std::size_t>(column - 1)];
    }
    bool isChecked(int entry) const override { return checked.at(static_cast<std::size_t>(entry - 1)); }
};

TEST_F(ClipboardExportTest, ColumnsArePaddedToTheirWidestCellAndSeparatedByTabs)
{
    TwoColumnList list;
    list.rows = {{u"ab"_s, u"x"_s}, {u"abcd"_s, u"yz"_s}};
    list.checked = {true, true};
    CopyListToClipboard(list, scripted.eventPump, scripted.clipboard);
    EXPECT_EQ(scripted.clipboard.text, u"ab  \tx\r\nabcd\tyz\r\n"_s);
    // Once per cell when measuring, then once per entry and per cell.
    EXPECT_EQ(scripted.eventPump.yields, 4 + 2 + 4);
}

TEST_F(ClipboardExportTest, EmptyLastCellKeepsTheTabBeforeIt)
{
    TwoColumnList list;
    list.rows = {{u"ab"_s, QString()}, {u"abcd"_s, u"yz   "_s}, {u"u"_s, u"-"_s}};
    list.checked = {true, true, false};
    CopyListToClipboard(list, scripted.eventPump, scripted.clipboard);
    EXPECT_EQ(scripted.clipboard.text, u"ab  \t\r\nabcd\tyz\r\n"_s);
}

TEST_F(ClipboardExportTest, CellThatGrewSinceItWasMeasuredGoesUnpadded)
{
    TwoColumnList list;
    list.rows = {{u"ab"_s, u"x"_s}, {u"abcd"_s, u"yz"_s}};
    list.checked = {true, true};
    scripted.eventPump.onYield = [&](int yieldNumber) {
        if (yieldNumber == 5) // the second pass has begun
            list.rows[0][0] = u"abcdefg"_s;
    };
    CopyListToClipboard(list, scripted.eventPump, scripted.clipboard);
    EXPECT_EQ(scripted.clipboard.text, u"abcdefg\tx\r\nabcd\tyz\r\n"_s);
}

} // namespace
