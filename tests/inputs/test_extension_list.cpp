#include "command_kit/window_state.h"
#include "inputs/extension_list.h"
#include "inputs/input_list_edits.h"
#include "support/list_entries.h"
#include "support/qt_printers.h"
#include "support/scripted_services.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace ferrowax;
using namespace ferrowax::testing;

namespace {

struct ExtensionListTest : ::testing::Test {
    ScriptedServices scripted;
    WindowState window;
    ExtensionListCommands commands{window, scripted.services};

    std::vector<QByteArray> extensions() { return entriesOf(window.extensionList()); }
    void type(const QString& text)
    {
        scripted.dialogs.inputAnswers.push_back(text);
        commands.PushButton7_Click();
    }
};

TEST_F(ExtensionListTest, EntriesStayExactlyAsTyped)
{
    scripted.dialogs.setApplicationTitle(u"Ferrowax"_s);
    for (const QString& text : {u"jpg"_s, u".JPG"_s, u"jpg txt"_s, u" tab\t"_s, u"jpg"_s, u"\u00e9t\u00e9"_s})
        type(text);
    EXPECT_EQ(extensions(),
        (std::vector<QByteArray>{"jpg", ".JPG", "jpg txt", " tab\t", "jpg", "\xc3\xa9t\xc3\xa9"}));
    EXPECT_EQ(scripted.dialogs.shown.front().text, u"Add extension: "_s);
    EXPECT_EQ(scripted.dialogs.shown.front().caption, u"Ferrowax"_s);
    EXPECT_EQ(window.mousePointer(), Pointer::Default);
}

TEST_F(ExtensionListTest, CancelOrAnEmptyFieldAddsNothing)
{
    window.setMousePointer(Pointer::Hourglass);
    type(QString());
    EXPECT_TRUE(extensions().empty());
    EXPECT_EQ(window.mousePointer(), Pointer::Hourglass);
}

TEST_F(ExtensionListTest, RemovalAndClearingWaitForTheHourglassToGo)
{
    type(u"jpg"_s);
    type(u"txt"_s);
    type(u"png"_s);
    window.setMousePointer(Pointer::Hourglass);
    commands.ListView3_KeyDown(keyDelete, 1);
    commands.ListView3_DblClick(1);
    commands.PushButton10_Click();
    EXPECT_EQ(extensions().size(), 3U);

    type(u"gif"_s); // adding resets the pointer
    commands.ListView3_KeyDown(keyDelete, 1);
    commands.ListView3_DblClick(2);
    EXPECT_EQ(extensions(), (std::vector<QByteArray>{"txt", "gif"}));
    commands.PushButton10_Click();
    EXPECT_TRUE(extensions().empty());
    commands.ListView3_DblClick(1);
    EXPECT_TRUE(scripted.dialogs.errorReports().empty());
}

} // namespace
