#include "command_kit/window_state.h"
#include "inputs/folder_list.h"
#include "inputs/input_list_edits.h"
#include "os/ini_settings_store.h"
#include "search/search_run.h"
#include "support/list_entries.h"
#include "support/qt_printers.h"
#include "support/scripted_services.h"
#include "support/temp_tree.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace ferrowax;
using namespace ferrowax::testing;

namespace {

struct FolderListTest : ::testing::Test {
    ScriptedServices scripted;
    WindowState window;
    FolderListCommands commands{window, scripted.services};
    TempTree tree;

    std::vector<QByteArray> folders() { return entriesOf(window.folderList()); }
    void storeLastFolder(const QString& folder)
    {
        scripted.settings.values[u"Kestrune/Ferrowax/LastFolderDot"_s] = folder;
    }
    void pick(const QByteArray& path) { scripted.dialogs.folderAnswers.push_back(QString::fromUtf8(path)); }
};

TEST_F(FolderListTest, PickedFoldersAreAppendedAsTheyAreAndTwiceWhenPickedTwice)
{
    tree.folder("photos");
    pick(tree.path("photos"));
    pick("/");
    pick(tree.path("photos") + '/');
    window.setMousePointer(Pointer::Hand);
    for (int press = 0; press < 3; ++press)
        commands.PushButton3_Click();
    EXPECT_EQ(folders(), (std::vector<QByteArray>{tree.path("photos"), "/", tree.path("photos")}));
    EXPECT_EQ(window.mousePointer(), Pointer::Default);
    ASSERT_EQ(scripted.dialogs.shown.size(), 3U);
    EXPECT_EQ(scripted.dialogs.shown.front().text, u"Please select folder:"_s);
}

TEST_F(FolderListTest, CancelAddsNothingAndLeavesThePointer)
{
    window.setMousePointer(Pointer::Hand);
    commands.PushButton3_Click();
    scripted.dialogs.folderAnswers.push_back(u"/no/such/folder"_s);
    commands.PushButton3_Click();
    tree.file("plain.txt");
    pick(tree.path("plain.txt"));
    commands.PushButton3_Click();
    EXPECT_TRUE(folders().empty());
    EXPECT_EQ(window.mousePointer(), Pointer::Hand);
    EXPECT_TRUE(scripted.dialogs.errorReports().empty());
}

TEST_F(FolderListTest, PickerOpensAtTheStoredFolderOnlyWhenItIsOne)
{
    commands.PushButton3_Click();
    tree.folder("stored");
    storeLastFolder(QString::fromUtf8(tree.path("stored")));
    commands.PushButton3_Click();
    storeLastFolder(u"/gone/away"_s);
    commands.PushButton3_Click();

    ASSERT_EQ(scripted.dialogs.shown.size(), 3U);
    EXPECT_EQ(scripted.dialogs.shown[0].initialFolder, QString());
    EXPECT_EQ(scripted.dialogs.shown[1].initialFolder, QString::fromUtf8(tree.path("stored")));
    EXPECT_EQ(scripted.dialogs.shown[2].initialFolder, QString());
    // The stored value is kept as found, even when it names no folder.
    EXPECT_EQ(commands.lastFolder, u"/gone/away"_s);
    EXPECT_EQ(scripted.settings.reads, 3);

    // A store that cannot be read is reported; the picker opens all the same
    // and the value read before stays.
    scripted.settings.refusal = u"Permission denied"_s;
    storeLastFolder(QString::fromUtf8(tree.path("stored")));
    commands.PushButton3_Click();
    ASSERT_EQ(scripted.dialogs.errorReports().size(), 1U);
    EXPECT_TRUE(scripted.dialogs.errorReports().front().text.startsWith(
        u"Permission denied\r\nin Drovatek2021/08/31.Form1.PushButton3_Click at line 100\r\r"_s));
    EXPECT_EQ(commands.lastFolder, u"/gone/away"_s);
    EXPECT_EQ(scripted.dialogs.shown.back().kind, ShownBox::Kind::FolderPicker);
}

TEST_F(FolderListTest, ColonAndTwoBackslashesBecomeColonAndOne)
{
    tree.folder("drive:\\\\share");
    pick(tree.path("drive:\\\\share"));
    commands.PushButton3_Click();
    EXPECT_EQ(folders(), std::vector<QByteArray>{tree.path("drive:\\share")});
}

TEST_F(FolderListTest, RemovalTakesTheSelectedEntryWithAnyModifierAndOnlyOnDelete)
{
    for (const char* path : {"/a", "/b", "/c"})
        window.folderList().append(path);
    commands.ListView1_KeyDown(keyDelete, 2);
    EXPECT_EQ(folders(), (std::vector<QByteArray>{"/a", "/c"}));
    commands.ListView1_KeyDown(13, 1);
    commands.ListView1_DblClick(0);
    EXPECT_EQ(folders(), (std::vector<QByteArray>{"/a", "/c"}));
    commands.ListView1_DblClick(2);
    EXPECT_EQ(folders(), std::vector<QByteArray>{"/a"});
    commands.PushButton8_Click();
    EXPECT_TRUE(folders().empty());
    commands.ListView1_KeyDown(keyDelete, 1);
    commands.ListView1_DblClick(1);
    EXPECT_TRUE(scripted.dialogs.shown.empty());
}

TEST_F(FolderListTest, HourglassBlocksRemovalUntilAnAddResetsIt)
{
    tree.file("a/1.txt");
    tree.file("a/2.txt");
    tree.folder("b");
    window.folderList().append(tree.path("a"));
    window.extensionList().append("txt");
    SearchRun run(window, scripted.services);
    std::vector<double> progress;
    scripted.eventPump.onYield = [&](int yieldNumber) {
        if (yieldNumber == 3) { // at the first file of the run
            commands.ListView1_KeyDown(keyDelete, 1);
            commands.ListView1_DblClick(1);
            commands.PushButton8_Click();
            EXPECT_EQ(window.folderList().count(), 1);

            pick(tree.path("b"));
            commands.PushButton3_Click(); // resets the pointer although the run goes on
            EXPECT_EQ(window.mousePointer(), Pointer::Default);
            commands.ListView1_KeyDown(keyDelete, 2);
            EXPECT_EQ(window.folderList().count(), 1);
            pick(tree.path("b"));
            commands.PushButton3_Click();
        }
        progress.push_back(window.progressValue());
    };
    run.PushButton1_Click();
    EXPECT_EQ(window.resultList().count(), 2);
    // The bar's share was computed when the folder began; the added folder
    // is not walked by this run.
    EXPECT_EQ(progress.back(), 100);
    EXPECT_EQ(folders(), (std::vector<QByteArray>{tree.path("a"), tree.path("b")}));
}

TEST(FolderListWithStoredSettings, PickerStartsAtTheStoredFolderAndTheStoreStaysByteIdentical)
{
    QTemporaryDir config;
    const QByteArray previous = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    TempTree tree;
    tree.folder("Pictures");
    tree.folder("Elsewhere");
    const QByteArray content = "[Ferrowax]\nLastFolderDot=" + tree.path("Pictures") + "\n";
    QDir().mkpath(config.path() + u"/Kestrune"_s);
    QFile file(config.path() + u"/Kestrune/Kestrune.ini"_s);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();

    ScriptedServices scripted;
    IniSettingsStore settings;
    Services services{scripted.dialogs, scripted.eventPump, scripted.io, scripted.fileSystem, scripted.desktop, scripted.random,
        scripted.processEnd, settings, scripted.outputFiles, scripted.clipboard, scripted.spreadsheets, QString()};
    WindowState window;
    FolderListCommands commands(window, services);
    scripted.dialogs.whileShown = [&](const ShownBox& box) {
        scripted.dialogs.folderAnswers.push_back(box.initialFolder);
    };
    for (int press = 0; press < 3; ++press) {
        scripted.dialogs.folderAnswers.clear();
        commands.PushButton3_Click();
    }

    ASSERT_EQ(window.folderList().count(), 3);
    EXPECT_EQ(window.folderList().entry(1), tree.path("Pictures"));
    for (const ShownBox& box : scripted.dialogs.shown)
        EXPECT_EQ(box.initialFolder, QString::fromUtf8(tree.path("Pictures")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), content);
    qputenv("XDG_CONFIG_HOME", previous);
}

} // namespace
