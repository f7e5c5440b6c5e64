#include "support/form_harness.h"
#include "support/hang_guard.h"
#include "support/qt_printers.h"
#include "support/temp_tree.h"
#include "window/pointer_rules.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QProgressBar>
#include <QScrollArea>
#include <QTest>
#include <QTableView>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace ferrowax;
using namespace ferrowax::testing;

namespace {

const QString skinFile = QStringLiteral(SOURCE_FOLDER "/skins/steel.cjs");

struct SkinTest : ::testing::Test {
    FormHarness h;
    QString skinPath() const { return h.programFolder.filePath(u"x/o.cjs"_s); }
    void placeSkin(const QByteArray& content, FormHarness* harness = nullptr)
    {
        FormHarness& in = harness ? *harness : h;
        QDir(in.programFolder.path()).mkpath(u"x"_s);
        QFile file(in.programFolder.filePath(u"x/o.cjs"_s));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QByteArray shippedSkin() const
    {
        QFile file(skinFile);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }
    QColor background() const { return h.form.palette().color(QPalette::Window); }
    QColor buttonFace() const { return h.form.palette().color(QPalette::Button); }
};

TEST_F(SkinTest, WithoutASkinFileTheWindowStaysWhiteAndPlain)
{
    h.start();
    EXPECT_EQ(background(), QColor(Qt::white));
    EXPECT_TRUE(h.form.styleSheet().isEmpty());
    EXPECT_TRUE(h.dialogs.shown.empty());
}

TEST_F(SkinTest, ShippedSkinDressesTheWindowOnTheButtonFace)
{
    ASSERT_NE(buttonFace(), QColor(Qt::white));
    placeSkin(shippedSkin());
    h.start();
    EXPECT_TRUE(h.dialogs.shown.empty());
    EXPECT_EQ(background(), buttonFace());
    EXPECT_EQ(h.form.styleSheet(), QString::fromUtf8(shippedSkin()));
    // Its lists set their text colour, so no theme leaves it pale on white.
    auto* list = h.control<QTableView>("ListView2");
    list->ensurePolished();
    EXPECT_EQ(list->palette().color(QPalette::Text), QColor(0x1d, 0x2b, 0x3a));
}

TEST_F(SkinTest, SkinHiddenFromTheFileManagerCountsAsAbsent)
{
    placeSkin(shippedSkin());
    const auto hide = [&](const QByteArray& names) {
        QFile hidden(h.programFolder.filePath(u"x/.hidden"_s));
        ASSERT_TRUE(hidden.open(QIODevice::WriteOnly));
        hidden.write(names);
    };
    hide("foo.cjs\no.cjs.bak\n"); // names that merely contain the skin's
    {
        FormHarness other;
        other.services.programFolder = h.programFolder.path();
        other.start();
        EXPECT_FALSE(other.form.styleSheet().isEmpty());
    }
    hide("other\no.cjs\n");
    h.start();
    EXPECT_EQ(background(), QColor(Qt::white));
    EXPECT_TRUE(h.form.styleSheet().isEmpty());
    EXPECT_TRUE(h.dialogs.shown.empty());
}

TEST_F(SkinTest, FolderOrPipeInPlaceOfTheSkinCountsAsAbsent)
{
    const HangGuard guard;
    QDir(h.programFolder.path()).mkpath(u"x/o.cjs"_s);
    h.start();
    EXPECT_EQ(background(), QColor(Qt::white));
    EXPECT_TRUE(h.dialogs.shown.empty());

    // A pipe that nobody writes to in place of the list of hidden names.
    FormHarness piped;
    QDir(piped.programFolder.path()).mkpath(u"x"_s);
    QFile skin(piped.programFolder.filePath(u"x/o.cjs"_s));
    ASSERT_TRUE(skin.open(QIODevice::WriteOnly));
    skin.write(shippedSkin());
    skin.close();
    ASSERT_EQ(::mkfifo(QFile::encodeName(piped.programFolder.filePath(u"x/.hidden"_s)).constData(), 0600), 0);
    piped.start();
    EXPECT_FALSE(piped.form.styleSheet().isEmpty());
    EXPECT_TRUE(piped.dialogs.shown.empty());
}

// Every file the skin names obeys the skin's own rule: a pipe, a device
// or a file over 1 MiB counts as absent, and the start never waits on it.
TEST_F(SkinTest, FilesTheSkinNamesThatAreNoSmallRegularFilesCountAsAbsent)
{
    const HangGuard guard;
    TempTree files;
    ASSERT_EQ(::mkfifo(files.path("pipe.png").constData(), 0600), 0);
    files.file("large.png", QByteArray(1024 * 1024 + 1, 'x'));
    files.file("small.png", QByteArray(1024 * 1024, 'x'));
    placeSkin("QPushButton { background-image: url(" + files.path("pipe.png") + "); }\n"
        "QTableView { background-image: url('/proc/kmsg'); }\n"
        "QProgressBar { background-image: url(\"" + files.path("large.png") + "\"); }\n"
        "QLabel { background-image: url( " + files.path("small.png") + " ); }\n");
    h.start();
    h.form.grab(); // drawn, as the window is when it appears
    const QString worn = h.form.styleSheet();
    EXPECT_FALSE(worn.contains(u"pipe.png"_s) || worn.contains(u"kmsg"_s) || worn.contains(u"large.png"_s))
        << worn.toStdString();
    EXPECT_TRUE(worn.contains(QString::fromUtf8(files.path("small.png"))));
    EXPECT_TRUE(h.dialogs.shown.empty());
}

// Read whole up to 1 MiB, and not a byte more.
TEST_F(SkinTest, SkinTooLargeToReadIsReportedWithoutReadingIt)
{
    const QByteArray sheet = "QPushButton { color: red; }\n";
    placeSkin(sheet + QByteArray(1024 * 1024 - sheet.size(), ' '));
    h.start();
    EXPECT_TRUE(h.dialogs.shown.empty());
    EXPECT_FALSE(h.form.styleSheet().isEmpty());

    FormHarness larger;
    placeSkin(QByteArray(1024 * 1024 + 1, ' '), &larger);
    larger.start();
    ASSERT_EQ(larger.dialogs.errorReports().size(), 1U);
    EXPECT_TRUE(larger.dialogs.errorReports().front().text.contains(u"is larger than 1024 KiB\r\nin Drovatek2021/08/31.Form1.Form_Load at line 100"_s));
    EXPECT_TRUE(larger.form.styleSheet().isEmpty());
}

TEST_F(SkinTest, UnreadableSkinIsReportedAtLine100AndStartUpGoesOn)
{
    QDir(h.programFolder.path()).mkpath(u"x"_s);
    // A regular file that not even root can read from its start.
    ASSERT_EQ(::symlink("/proc/self/mem", QFile::encodeName(skinPath()).constData()), 0);
    h.start();
    ASSERT_EQ(h.dialogs.errorReports().size(), 1U);
    EXPECT_TRUE(h.dialogs.errorReports().front().text.contains(
        u"\r\nin Drovatek2021/08/31.Form1.Form_Load at line 100\r\r"_s));
    EXPECT_EQ(h.form.windowTitle(), u"Ferrowax"_s);
    EXPECT_TRUE(h.form.styleSheet().isEmpty());
}

TEST_F(SkinTest, SkinThatIsNoStyleSheetIsReportedAndNotWorn)
{
    placeSkin("QPushButton { color: red; ");
    h.start();
    ASSERT_EQ(h.dialogs.errorReports().size(), 1U);
    EXPECT_TRUE(h.dialogs.errorReports().front().text.contains(u"Form_Load at line 100"_s));
    EXPECT_TRUE(h.form.styleSheet().isEmpty());
    EXPECT_EQ(h.control<QTableView>("ListView1")->model()->columnCount(), 1);
}

TEST(PointerRules, FollowTheTableForEveryPlace)
{
    struct Case {
        int before;
        HoverPlace place;
        int after;
    };
    const std::vector<Case> cases{
        {Pointer::Default, HoverPlace::OtherButton, Pointer::Hand},
        {Pointer::Hourglass, HoverPlace::OtherButton, Pointer::Hourglass},
        {Pointer::Default, HoverPlace::StartButton, Pointer::Hand},
        {Pointer::Hourglass, HoverPlace::StartButton, Pointer::Hand},
        {Pointer::Hand, HoverPlace::BackgroundOrList, Pointer::Default},
        {Pointer::Hourglass, HoverPlace::BackgroundOrList, Pointer::Hourglass},
    };
    for (const Case& c : cases) {
        WindowState window;
        window.setMousePointer(c.before);
        applyPointerRule(window, c.place);
        EXPECT_EQ(window.mousePointer(), c.after) << c.before << " " << static_cast<int>(c.place);
    }
}

struct HoverTest : ::testing::Test {
    FormHarness h;
    HoverTest() { h.start(); }

    // A move as the window system delivers it, so that it passes to parents
    // the way a real one does.
    void moveOver(QWidget* widget, QPoint at = {5, 5})
    {
        QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &move);
    }
    int pointer() { return h.form.state().mousePointer(); }
    void pressDeleteOnSecondFolder()
    {
        auto* view = h.control<QTableView>("ListView1");
        view->setCurrentIndex(h.form.state().folderList().index(1, 0));
        QTest::keyClick(view, Qt::Key_Delete);
    }
};

TEST_F(HoverTest, HandStaysFromAButtonOntoTheProgressBar)
{
    moveOver(h.control("PushButton7"));
    EXPECT_EQ(pointer(), Pointer::Hand);
    moveOver(h.control("ProgressBar1"));
    EXPECT_EQ(pointer(), Pointer::Hand);
    moveOver(h.form.findChild<QScrollArea*>()->widget(), {2, 390}); // the margin below the progress bar
    EXPECT_EQ(pointer(), Pointer::Default);
    moveOver(h.control("PushButton2"));
    moveOver(h.control<QTableView>("ListView2")->viewport());
    EXPECT_EQ(pointer(), Pointer::Default);
}

TEST_F(HoverTest, StopThenAListEndsTheHourglassAndRemovalWorksAgain)
{
    TempTree tree;
    tree.file("1.txt");
    tree.file("2.txt");
    EntryListModel& folders = h.form.state().folderList();
    folders.append(tree.path());
    folders.append(tree.path());
    h.form.state().extensionList().append("txt");
    std::vector<int> seen;
    h.eventPump.onYield = [&](int yieldNumber) {
        if (yieldNumber != 3)
            return;
        moveOver(h.control("PushButton3"));
        seen.push_back(pointer());
        moveOver(h.control<QTableView>("ListView3")->viewport());
        seen.push_back(pointer());
        pressDeleteOnSecondFolder();
        seen.push_back(folders.count());
        moveOver(h.control("PushButton1")); // captioned "Stop"
        seen.push_back(pointer());
        moveOver(h.control<QTableView>("ListView1")->viewport());
        seen.push_back(pointer());
        pressDeleteOnSecondFolder();
        seen.push_back(folders.count());
    };
    h.click("PushButton1");
    EXPECT_EQ(seen, (std::vector<int>{Pointer::Hourglass, Pointer::Hourglass, 2, Pointer::Hand, Pointer::Default, 1}));
}

TEST(Help, NamesTheContactPageUnderTheApplicationTitleEvenDuringASearch)
{
    FormHarness h;
    h.start();
    TempTree tree;
    tree.file("a.txt");
    h.form.state().folderList().append(tree.path());
    h.form.state().extensionList().append("txt");
    h.eventPump.onYield = [&](int yieldNumber) {
        if (yieldNumber == 3)
            h.click("PushButton9");
    };
    h.click("PushButton1");
    const QString help = u"Questions? Please contact Team Kestrune at https://www.kestrune.example/contact/"_s;
    EXPECT_EQ(h.dialogs.messages(), (QStringList{help, u"Done."_s}));
    EXPECT_EQ(h.dialogs.shown.front().caption, u"Ferrowax"_s);
    EXPECT_EQ(h.dialogs.shown.front().style, 0);
}

TEST(HandCursor, ShippedCursorPointsWithItsFingertip)
{
    FormHarness h;
    h.services.programFolder = QStringLiteral(PROGRAM_FOLDER);
    h.start();
    EXPECT_TRUE(h.dialogs.shown.empty());
    h.form.state().setMousePointer(Pointer::Hand);
    EXPECT_EQ(h.form.cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(h.form.cursor().hotSpot(), QPoint(5, 0));
    EXPECT_EQ(h.form.cursor().pixmap().size(), QSize(32, 32));
}

} // namespace
