#include "os/failure.h"
#include "support/cursor_bytes.h"
#include "support/form_harness.h"
#include "support/hang_guard.h"
#include "support/qt_printers.h"
#include "support/temp_tree.h"

#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTableView>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace ferrowax;
using namespace ferrowax::testing;

namespace {

struct Designed {
    const char* name;
    QRect pixels;
    QString caption;
};

// The designed layout, converted from twips at 15 to the pixel.
const std::vector<Designed> layout{
    {"ListView1", {8, 8, 520, 112}, u"Folder(s)"_s},
    {"PushButton3", {8, 126, 256, 27}, u"Add Drive/Folder To Search"_s},
    {"PushButton8", {272, 126, 256, 27}, u"Clear List"_s},
    {"PushButton9", {8, 160, 256, 27}, u"Help"_s},
    {"PushButton11", {272, 160, 256, 27}, u"Load Sample/Example Folder"_s},
    {"ListView3", {8, 193, 520, 90}, u"Extension"_s},
    {"PushButton7", {8, 289, 256, 27}, u"Add Extension To Search"_s},
    {"PushButton10", {272, 289, 256, 27}, u"Clear List"_s},
    {"PushButton1", {8, 323, 520, 27}, u"Start Searching"_s},
    {"ProgressBar1", {8, 358, 520, 27}, u"Progress Bar"_s},
    {"ListView2", {536, 8, 520, 276}, u"Results"_s},
    {"PushButton2", {536, 289, 256, 27}, u"Save Results As Text File"_s},
    {"PushButton14", {800, 289, 256, 27}, u"Save Results As Excel File"_s},
    {"PushButton6", {536, 323, 256, 27}, u"Clear Results"_s},
    {"PushButton5", {800, 323, 256, 27}, u"Copy Results To Clipboard"_s},
    {"PushButton17", {536, 358, 256, 27}, u"Remove Results Containing X"_s},
    {"PushButton4", {800, 358, 256, 27}, u"Remove Results Not Containing X"_s},
};

TEST(Form1, EveryControlStandsWhereItWasDesigned)
{
    FormHarness h;
    h.start();
    EXPECT_EQ(h.form.size(), QSize(1064, 392));
    EXPECT_EQ(h.form.minimumSize(), h.form.maximumSize());
    EXPECT_FALSE(h.form.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(h.form.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(h.form.palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_TRUE(h.form.font().bold());
    EXPECT_EQ(h.form.font().pointSizeF(), 9);

    for (const Designed& control : layout) {
        QWidget* widget = h.control(control.name);
        ASSERT_NE(widget, nullptr) << control.name;
        EXPECT_EQ(widget->geometry(), control.pixels) << control.name;
        EXPECT_EQ(QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name), control.caption)
            << control.name;
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            EXPECT_EQ(button->text(), control.caption);
            EXPECT_EQ(button->font().pointSizeF(), 11.25);
        }
    }
    EXPECT_EQ(h.form.findChildren<QPushButton*>().size(), 13);
}

TEST(Form1, StartUpNamesTheWindowAndGivesEachListItsColumn)
{
    FormHarness h;
    EXPECT_EQ(h.form.windowTitle(), u"Form1"_s);
    h.start();
    EXPECT_EQ(h.form.windowTitle(), u"Ferrowax"_s);
    EXPECT_EQ(h.dialogs.applicationTitle(), u"Ferrowax"_s);
    EXPECT_FALSE(h.form.windowIcon().isNull());
    EXPECT_TRUE(h.dialogs.shown.empty());
    EXPECT_TRUE(h.desktop.opened.empty());
    EXPECT_EQ(h.random.seeds, 1);

    const std::vector<std::tuple<const char*, QString, int, QString>> lists{
        {"ListView1", u"Folder(s)"_s, 447, u"Double-click item to remove it. Move | line to right and out of window to reveal full names."_s},
        {"ListView2", u"Results"_s, 487, u"Double-click item to open it. Move | line to right and out of window to reveal full names."_s},
        {"ListView3", u"Extension"_s, 447, u"Move | line to right and out of window to reveal full names."_s},
    };
    for (const auto& [name, header, width, tip] : lists) {
        auto* view = h.control<QTableView>(name);
        EXPECT_EQ(view->model()->columnCount(), 1) << name;
        EXPECT_EQ(view->model()->headerData(0, Qt::Horizontal).toString(), header);
        EXPECT_EQ(view->columnWidth(0), width) << name;
        EXPECT_EQ(view->horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
        EXPECT_EQ(view->toolTip(), tip);
    }
}

TEST(Form1, OneStartInAHundredOpensTheHomePage)
{
    FormHarness h;
    h.random.value = 0.065;
    h.start();
    ASSERT_EQ(h.desktop.opened.size(), 1U);
    EXPECT_EQ(h.desktop.opened.front().toString(), u"https://www.kestrune.example/ferrowax/"_s);
}

TEST(Form1, HandCursorComesFromTheProgramFolder)
{
    FormHarness h;
    QImage hand(32, 32, QImage::Format_ARGB32);
    hand.fill(Qt::blue);
    QFile file(h.programFolder.filePath(u"HAND-M.CUR"_s));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(cursorFileBytes(hand, {6, 1}));
    file.close();
    h.start();
    EXPECT_TRUE(h.dialogs.shown.empty());

    h.form.state().setMousePointer(Pointer::Hand);
    EXPECT_EQ(h.form.cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(h.form.cursor().hotSpot(), QPoint(6, 1));
    h.form.state().setMousePointer(Pointer::Hourglass);
    EXPECT_EQ(h.form.cursor().shape(), Qt::WaitCursor);
    h.form.state().setMousePointer(Pointer::Default);
    EXPECT_EQ(h.form.cursor().shape(), Qt::ArrowCursor);
}

TEST(Form1, WithoutACursorFileThePointerShowsTheDesktopHand)
{
    FormHarness h;
    h.start();
    h.form.state().setMousePointer(Pointer::Hand);
    EXPECT_EQ(h.form.cursor().shape(), Qt::PointingHandCursor);
}

TEST(Form1, UnreadableCursorIsReportedAndStartUpGoesOn)
{
    FormHarness h;
    QFile file(h.programFolder.filePath(u"HAND-M.CUR"_s));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("garbage");
    file.close();
    h.start();
    ASSERT_EQ(h.dialogs.errorReports().size(), 1U);
    EXPECT_TRUE(h.dialogs.errorReports().front().text.contains(
        u"\r\nin Drovatek2021/08/31.Form1.Form_Load at line 106\r\r"_s));
    EXPECT_EQ(h.control<QTableView>("ListView3")->model()->columnCount(), 1);
    h.form.state().setMousePointer(Pointer::Hand);
    EXPECT_EQ(h.form.cursor().shape(), Qt::PointingHandCursor);
}

TEST(Form1, PipeInPlaceOfTheCursorCountsAsNoCursorFile)
{
    const HangGuard guard;
    FormHarness h;
    ASSERT_EQ(::mkfifo(QFile::encodeName(h.programFolder.filePath(u"HAND-M.CUR"_s)).constData(), 0600), 0);
    h.start();
    EXPECT_TRUE(h.dialogs.shown.empty());
    h.form.state().setMousePointer(Pointer::Hand);
    EXPECT_EQ(h.form.cursor().shape(), Qt::PointingHandCursor);
}

TEST(Form1, StartButtonRunsASearchThatItsOwnPressStops)
{
    FormHarness h;
    h.start();
    TempTree tree;
    for (const char* name : {"1.txt", "2.txt", "3.txt"})
        tree.file(name);
    h.form.state().folderList().append(tree.path());
    h.form.state().extensionList().append("txt");

    auto* start = h.control<QPushButton>("PushButton1");
    auto* bar = h.control<QProgressBar>("ProgressBar1");
    h.eventPump.onYield = [&](int yieldNumber) {
        EXPECT_EQ(start->text(), u"Stop"_s);
        EXPECT_EQ(h.form.cursor().shape(), Qt::WaitCursor);
        if (yieldNumber == 2) {
            EXPECT_EQ(bar->value(), 100);
        }
        if (yieldNumber == 4) // before the second file
            QTest::mouseClick(start, Qt::LeftButton);
    };
    QTest::mouseClick(start, Qt::LeftButton);

    EXPECT_EQ(h.form.state().resultList().count(), 1);
    EXPECT_EQ(start->text(), u"Start Searching"_s);
    // The bar follows the run's state shortly after.
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar->value() == 0 && bar->text() == u"Progress Bar"_s; }, 30000));
    EXPECT_EQ(h.dialogs.messages(), QStringList{u"Done."_s});
}

// What the window shows, a screen reader gets: names follow captions and
// texts as they change, lists describe themselves with their tooltips, and
// every result says whether it is ticked.
TEST(Form1, ScreenReadersHearWhatTheWindowShows)
{
    FormHarness h;
    h.start();
    h.form.show();
    const auto accessible = [&](const char* name) { return QAccessible::queryAccessibleInterface(h.control(name)); };
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&h.form)->role(), QAccessible::Window);
    EXPECT_EQ(accessible("ListView1")->text(QAccessible::Description), h.control("ListView1")->toolTip());

    TempTree tree;
    tree.file("a.txt");
    h.form.state().folderList().append(tree.path());
    h.form.state().extensionList().append("txt");
    QString startName;
    QString barName;
    h.eventPump.onYield = [&](int yieldNumber) {
        if (yieldNumber != 3)
            return;
        startName = accessible("PushButton1")->text(QAccessible::Name);
        [[maybe_unused]] const bool shown = QTest::qWaitFor([&] { return accessible("ProgressBar1")->text(QAccessible::Name).startsWith(u"Processing "_s); }, 30000);
        barName = accessible("ProgressBar1")->text(QAccessible::Name);
    };
    h.click("PushButton1");
    EXPECT_EQ(startName, u"Stop"_s);
    EXPECT_EQ(barName, u"Processing "_s + QString::fromUtf8(tree.path()));

    EntryListModel& results = h.form.state().resultList();
    results.setChecked(1, false);
    results.append("/b.txt", true);
    results.showQueuedAppends();
    QAccessibleTableInterface* table = accessible("ListView2")->tableInterface();
    ASSERT_NE(table, nullptr);
    for (int row = 0; row < 2; ++row) {
        const QAccessible::State state = table->cellAt(row, 0)->state();
        EXPECT_TRUE(state.checkable) << row;
        EXPECT_EQ(static_cast<bool>(state.checked), row == 1);
    }
}

// Long texts are cut in the middle, so that a file's name stays in sight,
// and shown whole in the tooltip; a folder path's % signs are no
// placeholders.
TEST(Form1, LongTextsKeepTheirEndsInSight)
{
    FormHarness h;
    h.start();
    h.form.show();
    auto* bar = h.control<QProgressBar>("ProgressBar1");
    h.form.state().setProgressText(u"Processing /tmp/100%p done"_s);
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar->text() == u"Processing /tmp/100%p done"_s; }, 30000));

    const QString deep = u"Processing /home/ada/"_s + QString(u"deeper/"_s).repeated(40) + u"photos-2026"_s;
    h.form.state().setProgressText(deep);
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar->toolTip() == deep; }, 30000));
    EXPECT_TRUE(bar->text().startsWith(u"Processing /home"_s));
    EXPECT_TRUE(bar->text().endsWith(u"photos-2026"_s));
    EXPECT_LT(bar->fontMetrics().horizontalAdvance(bar->text()), bar->width());
    EXPECT_EQ(QAccessible::queryAccessibleInterface(bar)->text(QAccessible::Description), deep);

    EntryListModel& results = h.form.state().resultList();
    results.append(QByteArray("/home/ada/") + QByteArray("deeper/").repeated(40) + "photo.jpg", true);
    results.showQueuedAppends();
    auto* view = h.control<QTableView>("ListView2");
    EXPECT_EQ(view->textElideMode(), Qt::ElideMiddle);
    EXPECT_EQ(results.data(results.index(0, 0), Qt::ToolTipRole).toString(), QString::fromUtf8(results.entry(1)));
}

TEST(Form1, DarkDesktopThemeLeavesTheWindowLight)
{
    const QPalette desktop = QApplication::palette();
    QPalette dark(Qt::white, QColor(0x30, 0x30, 0x30));
    dark.setColor(QPalette::Base, Qt::black);
    dark.setColor(QPalette::Text, Qt::white);
    QApplication::setPalette(dark);
    {
        FormHarness h;
        h.start();
        for (const char* name : {"ListView2", "PushButton1", "ProgressBar1"}) {
            const QPalette shown = h.control(name)->palette();
            EXPECT_EQ(shown.color(QPalette::Base), QColor(Qt::white)) << name;
            EXPECT_EQ(shown.color(QPalette::Text), QColor(Qt::black)) << name;
            EXPECT_EQ(shown.color(QPalette::ButtonText), QColor(Qt::black)) << name;
            EXPECT_GT(shown.color(QPalette::Button).lightness(), 200) << name;
        }
        EXPECT_EQ(h.form.palette().color(QPalette::Window), QColor(Qt::white));
    }
    QApplication::setPalette(desktop);
}

TEST(Form1, DoubleClickOnAResultRemovesNothing)
{
    FormHarness h;
    h.start();
    EntryListModel& results = h.form.state().resultList();
    results.append("/a/x.txt");
    results.append("/b/y.txt");
    results.showQueuedAppends();
    auto* view = h.control<QTableView>("ListView2");
    h.form.show();
    const QRect row = view->visualRect(results.index(0, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, row.center());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, row.center());
    QTest::keyClick(view, Qt::Key_Delete);
    EXPECT_EQ(results.count(), 2);
}

// Picks an item of the menu that `open` brings up, as a user would.
void chooseFromMenu(const std::function<void()>& open, const QString& item)
{
    QTimer picker;
    QObject::connect(&picker, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        picker.stop();
        for (QAction* action : menu->actions()) {
            if (action->text() == item)
                menu->setActiveAction(action);
        }
        QTest::keyClick(menu, Qt::Key_Return);
    });
    picker.start(10);
    open();
}

// Keys and the menu act on the rows the user chose, in list order, and
// Space ticks a whole selection the opposite way of the current row.
TEST(Form1, TheResultListsKeysAndMenuActOnTheChosenRows)
{
    const HangGuard guard(60);
    FormHarness h;
    h.start();
    EntryListModel& results = h.form.state().resultList();
    for (const char* path : {"/a/1.txt", "/a/2.txt", "/a/3.txt"})
        results.append(path, true);
    results.showQueuedAppends();
    auto* view = h.control<QTableView>("ListView2");
    h.form.show();
    const auto click = [&](int row, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, view->visualRect(results.index(row, 0)).center());
    };
    const auto ticks = [&] {
        return std::vector<bool>{results.isChecked(1), results.isChecked(2), results.isChecked(3)};
    };

    click(1);
    QTest::keyClick(view, Qt::Key_Return);
    QTest::keyClick(view, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(h.desktop.files, (std::vector<QByteArray>{"open /a/2.txt", "open /a/2.txt"}));

    h.desktop.files.clear();
    click(2);
    click(0, Qt::ControlModifier);
    chooseFromMenu([&] { QTest::keyClick(view, Qt::Key_F10, Qt::ShiftModifier); }, u"Open"_s);
    EXPECT_EQ(h.desktop.files, (std::vector<QByteArray>{"open /a/1.txt", "open /a/3.txt"}));

    results.setChecked(3, false);
    QTest::keyClick(view, Qt::Key_Space);
    EXPECT_EQ(ticks(), (std::vector<bool>{false, true, false}));
    QTest::keyClick(view, Qt::Key_Space);
    EXPECT_EQ(ticks(), (std::vector<bool>{true, true, true}));
    click(1);
    QTest::keyClick(view, Qt::Key_Space);
    EXPECT_EQ(ticks(), (std::vector<bool>{true, false, true}));
}

TEST(Form1, DeleteKeysAndDoubleClicksRemoveTheSelectedInputEntry)
{
    FormHarness h;
    h.start();
    h.form.show();
    EntryListModel& folders = h.form.state().folderList();
    for (const char* path : {"/a", "/b", "/c"})
        folders.append(path);
    auto* view = h.control<QTableView>("ListView1");
    view->setCurrentIndex(folders.index(1, 0));
    QTest::keyClick(view, Qt::Key_Period); // its Qt code is the Delete key's Windows code
    EXPECT_EQ(folders.count(), 3);
    QTest::keyClick(view, Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(folders.count(), 2);
    EXPECT_EQ(folders.entry(2), "/c");

    // Below the last entry: the selection decides, not the place.
    view->setCurrentIndex(folders.index(0, 0));
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, QPoint(20, view->viewport()->height() - 5));
    ASSERT_EQ(folders.count(), 1);
    EXPECT_EQ(folders.entry(1), "/c");

    EntryListModel& extensions = h.form.state().extensionList();
    extensions.append("jpg");
    auto* extensionView = h.control<QTableView>("ListView3");
    extensionView->setCurrentIndex(extensions.index(0, 0));
    h.form.state().setMousePointer(Pointer::Hourglass);
    QTest::keyClick(extensionView, Qt::Key_Delete);
    EXPECT_EQ(extensions.count(), 1);
    h.form.state().setMousePointer(Pointer::Default);
    QTest::keyClick(extensionView, Qt::Key_Delete);
    EXPECT_EQ(extensions.count(), 0);
}

// Each command names itself when a step fails: the store, a box or a list
// refuses, and the report shows the command's location text.
TEST(Form1, EveryCommandNamesItselfInItsReport)
{
    FormHarness h;
    h.start();
    h.dialogs.whileShown = [](const ShownBox& box) {
        if (box.kind == ShownBox::Kind::Input || box.kind == ShownBox::Kind::FolderPicker)
            throw Failure(u"Out of memory"_s);
    };
    // A view that fails while a list empties.
    const auto failingReset = [](EntryListModel& list) {
        list.append("entry");
        return QObject::connect(&list, &QAbstractItemModel::modelAboutToBeReset, [] { throw Failure(u"Busy"_s); });
    };
    const std::vector<std::pair<const char*, std::function<void()>>> commands{
        {"PushButton3", [&] { h.settings.refusal = u"Access denied"_s; }},
        {"PushButton7", [] {}},
        {"PushButton17", [] {}},
        {"PushButton4", [] {}},
        {"PushButton8", [&] { failingReset(h.form.state().folderList()); }},
        {"PushButton10", [&] { failingReset(h.form.state().extensionList()); }},
        {"PushButton6", [&] { failingReset(h.form.state().resultList()); }},
    };
    for (const auto& [button, arrange] : commands) {
        arrange();
        h.dialogs.shown.clear();
        h.click(button);
        const QString location = u"in Drovatek2021/08/31.Form1."_s + QString::fromLatin1(button) + u"_Click at line 100\r\r"_s;
        ASSERT_FALSE(h.dialogs.errorReports().empty()) << button;
        EXPECT_TRUE(h.dialogs.errorReports().front().text.contains(location))
            << button << ": " << h.dialogs.errorReports().front().text.toStdString();
    }
}

TEST(Form1, ClosingTheWindowEndsTheProgram)
{
    FormHarness h;
    h.start();
    h.form.show();
    h.form.close();
    EXPECT_EQ(h.processEnd.ends, 1);
}

} // namespace
