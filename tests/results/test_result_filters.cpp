#include "command_kit/window_state.h"
#include "results/result_filters.h"
#include "support/list_entries.h"
#include "support/qt_printers.h"
#include "support/scripted_services.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <random>

using namespace Qt::StringLiterals;
using namespace ferrowax;
using namespace ferrowax::testing;

namespace {

struct ResultFiltersTest : ::testing::Test {
    ScriptedServices scripted;
    WindowState window;

    void results(std::initializer_list<QByteArray> paths)
    {
        for (const QByteArray& path : paths)
            window.resultList().append(path, true);
    }
    std::vector<QByteArray> remaining() { return entriesOf(window.resultList()); }
    void removeContaining(const QString& text)
    {
        scripted.dialogs.inputAnswers.push_back(text);
        PushButton17_Click(window, scripted.services);
    }
    void removeNotContaining(const QString& text)
    {
        scripted.dialogs.inputAnswers.push_back(text);
        PushButton4_Click(window, scripted.services);
    }
};

TEST_F(ResultFiltersTest, ContainingIgnoresLetterCase)
{
    results({"C:\\A\\x.TXT", "C:\\B\\y.jpg"});
    removeContaining(u"txt"_s);
    EXPECT_EQ(remaining(), std::vector<QByteArray>{"C:\\B\\y.jpg"});
    EXPECT_EQ(scripted.dialogs.shown.front().text, u"Remove entries containing: "_s);
    EXPECT_EQ(window.mousePointer(), Pointer::Default);
}

// Against the plain rule, both sides lowered as text, on paths and texts
// that mix cases, characters beyond ASCII and bytes that are not UTF-8.
TEST_F(ResultFiltersTest, AgreeWithLoweringBothSidesOnAnyText)
{
    std::mt19937 random(8122026);
    const std::vector<QByteArray> pieces{"/home/", "Ada", "ADA", "caf\xc3\xa9", "CAF\xc3\x89", "\xe2\x84\xaa", "k",
        "\xc4\xb0", "i", "i?", "\xff", ".txt", ".TXT", "/"};
    const std::vector<QString> texts{u"ada"_s, u"CAFÉ"_s, u"k"_s, u"K"_s, u"i"_s, u"İ"_s, u"\uFFFD"_s, u".Txt"_s,
        u"é/"_s, u"A"_s};
    for (int round = 0; round < 40; ++round) {
        std::vector<QByteArray> paths;
        for (int i = 0; i < 30; ++i) {
            QByteArray path;
            for (int piece = 0; piece < 4; ++piece)
                path += pieces[random() % pieces.size()];
            paths.push_back(path);
        }
        const QString text = texts[random() % texts.size()];
        const bool containing = random() % 2 == 0;
        std::vector<QByteArray> expected;
        for (const QByteArray& path : paths) {
            if (QString::fromUtf8(path).toLower().contains(text.toLower()) != containing)
                expected.push_back(path);
        }
        window.resultList().clear();
        for (const QByteArray& path : paths)
            window.resultList().append(path, true);
        (containing ? RemoveContaining : RemoveNotContaining)(window.resultList(), text);
        EXPECT_EQ(remaining(), expected) << text.toStdString() << " " << containing;
    }
}

TEST_F(ResultFiltersTest, NotContainingKeepsOnlyTheMatches)
{
    results({"C:\\A\\x.TXT", "C:\\B\\y.jpg"});
    removeNotContaining(u"JPG"_s);
    EXPECT_EQ(remaining(), std::vector<QByteArray>{"C:\\B\\y.jpg"});
    EXPECT_EQ(scripted.dialogs.shown.front().text, u"Remove entries not containing: "_s);
    removeNotContaining(u"nowhere"_s);
    EXPECT_TRUE(remaining().empty());
    removeContaining(u"x"_s);
    EXPECT_TRUE(remaining().empty());
}

TEST_F(ResultFiltersTest, TextFoundNowhereRemovesNothing)
{
    results({"/a/one.txt", "/b/two.txt"});
    removeContaining(u"zzz"_s);
    EXPECT_EQ(remaining().size(), 2U);
}

TEST_F(ResultFiltersTest, CancelChangesNothing)
{
    results({"/a/one.txt"});
    window.setMousePointer(Pointer::Hourglass);
    removeContaining(QString());
    removeNotContaining(QString());
    EXPECT_EQ(remaining().size(), 1U);
    EXPECT_EQ(window.mousePointer(), Pointer::Hourglass);
}

TEST_F(ResultFiltersTest, FilterTextIsPlainEvenWithPatternCharacters)
{
    results({"/a/file[1].txt", "/b/file1.txt", "/c/a.b", "/d/a*b", "/e/(x)"});
    removeContaining(u"[1]"_s);
    removeContaining(u"*"_s);
    removeContaining(u"(x)"_s);
    EXPECT_EQ(remaining(), (std::vector<QByteArray>{"/b/file1.txt", "/c/a.b"}));
    removeNotContaining(u"."_s);
    EXPECT_EQ(remaining(), (std::vector<QByteArray>{"/b/file1.txt", "/c/a.b"}));
}

TEST_F(ResultFiltersTest, LetterCaseIsIgnoredBeyondAscii)
{
    results({"/Fotos/\xc3\x84RGER.txt", "/fotos/ruhe.txt", "/caf\xe9.txt"});
    removeContaining(u"\u00e4rger"_s);
    EXPECT_EQ(remaining(), (std::vector<QByteArray>{"/fotos/ruhe.txt", "/caf\xe9.txt"}));
    removeContaining(u"CAF"_s);
    EXPECT_EQ(remaining(), std::vector<QByteArray>{"/fotos/ruhe.txt"});
}

// Views hear of a removal once: one run as removed rows, many runs as a
// fresh start, since telling them of each run costs them a pass per run.
TEST_F(ResultFiltersTest, ViewsHearOfARemovalOnceHoweverManyRunsItHas)
{
    EntryListModel& list = window.resultList();
    list.addColumn(u"Results"_s);
    for (int i = 1; i <= 12; ++i)
        list.append(QByteArray(i % 4 < 2 ? "/drop/" : "/keep/") + QByteArray::number(i), true);
    list.showQueuedAppends();
    QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy removed(&list, &QAbstractItemModel::rowsRemoved);
    QSignalSpy reset(&list, &QAbstractItemModel::modelReset);

    RemoveContaining(list, u"drop"_s); // entries 1, 4-5, 8-9 and 12: four runs
    EXPECT_EQ(removed.count(), 0);
    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(remaining(), (std::vector<QByteArray>{"/keep/2", "/keep/3", "/keep/6", "/keep/7", "/keep/10",
                               "/keep/11"}));
    EXPECT_EQ(list.rowCount(), 6);
    EXPECT_EQ(list.data(list.index(5, 0)).toString(), u"/keep/11"_s);

    list.removeEntries({3, 4});
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed[0][1].toInt(), 2);
    EXPECT_EQ(removed[0][2].toInt(), 3);
    EXPECT_EQ(list.data(list.index(2, 0)).toString(), u"/keep/10"_s);
}

TEST_F(ResultFiltersTest, ClearResultsEmptiesTheListWhateverThePointer)
{
    results({"/a", "/b"});
    window.setMousePointer(Pointer::Hourglass);
    PushButton6_Click(window, scripted.services);
    EXPECT_TRUE(remaining().empty());
    EXPECT_EQ(window.mousePointer(), Pointer::Hourglass);
    PushButton6_Click(window, scripted.services);
    EXPECT_TRUE(scripted.dialogs.shown.empty());
}

} // namespace
