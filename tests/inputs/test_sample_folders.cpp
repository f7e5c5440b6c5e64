#include "command_kit/window_state.h"
#include "inputs/sample_folders.h"
#include "os/failure.h"
#include "support/form_harness.h"
#include "support/list_entries.h"
#include "support/qt_printers.h"

#include <QDir>
#include <QFile>
#include <QImageReader>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace ferrowax;
using namespace ferrowax::testing;

namespace {

const QString question = u"Would you like this software to open the folder where these sample files are stored "
                         u"(so that you can view them before working with them)?"_s;

struct SampleFoldersTest : ::testing::Test {
    ScriptedServices scripted;
    WindowState window;

    SampleFoldersTest() { scripted.services.programFolder = u"/opt/ferrowax"_s; }
    void press(int answer)
    {
        scripted.dialogs.messageAnswers.push_back(answer);
        PushButton11_Click(window, scripted.services);
    }
};

TEST_F(SampleFoldersTest, AnsweredNoFillsBothListsAndOpensNothing)
{
    press(Answer::No);
    EXPECT_EQ(entriesOf(window.folderList()),
        (std::vector<QByteArray>{"/opt/ferrowax/Samples/1", "/opt/ferrowax/Samples/2"}));
    EXPECT_EQ(entriesOf(window.extensionList()), (std::vector<QByteArray>{"jpg", "txt"}));
    EXPECT_TRUE(scripted.desktop.opened.empty());
    ASSERT_EQ(scripted.dialogs.shown.size(), 1U);
    EXPECT_EQ(scripted.dialogs.shown.front().text, question);
    EXPECT_EQ(scripted.dialogs.shown.front().style, 4);
}

TEST_F(SampleFoldersTest, AnsweredYesAlsoOpensTheSamplesFolder)
{
    window.folderList().append("/mine");
    window.setMousePointer(Pointer::Hourglass);
    press(Answer::Yes);
    press(Answer::No);
    ASSERT_EQ(scripted.desktop.opened.size(), 1U);
    EXPECT_EQ(scripted.desktop.opened.front(), QUrl::fromLocalFile(u"/opt/ferrowax/Samples/"_s));
    EXPECT_EQ(entriesOf(window.folderList()),
        (std::vector<QByteArray>{"/mine", "/opt/ferrowax/Samples/1", "/opt/ferrowax/Samples/2",
            "/opt/ferrowax/Samples/1", "/opt/ferrowax/Samples/2"}));
    EXPECT_EQ(entriesOf(window.extensionList()), (std::vector<QByteArray>{"jpg", "txt", "jpg", "txt"}));
    EXPECT_EQ(window.mousePointer(), Pointer::Hourglass);
}

TEST_F(SampleFoldersTest, QuestionThatFailsIsReportedAndTheFolderOpens)
{
    scripted.dialogs.whileShown = [](const ShownBox& box) {
        if (box.style == 4)
            throw Failure(u"No window to show it on"_s);
    };
    PushButton11_Click(window, scripted.services);
    ASSERT_EQ(scripted.dialogs.errorReports().size(), 1U);
    EXPECT_TRUE(scripted.dialogs.errorReports().front().text.contains(
        u"in Drovatek2021/08/31.Form1.PushButton11_Click at line 104"_s));
    EXPECT_EQ(scripted.desktop.opened.size(), 1U);
    EXPECT_EQ(window.extensionList().count(), 2);
}

TEST(SampleSearch, FromAFreshStartListsTheSampleJpgAndTxtFilesInWalkOrder)
{
    FormHarness h;
    h.services.programFolder = QStringLiteral(PROGRAM_FOLDER);
    h.start();
    h.dialogs.messageAnswers.push_back(Answer::No);
    h.click("PushButton11");
    h.click("PushButton1");

    const QByteArray samples = QByteArray(PROGRAM_FOLDER) + "/Samples/";
    std::vector<QByteArray> expected;
    for (const char* relative : {"1/harbour.jpg", "1/README.txt", "1/shopping-list.txt", "1/sunrise.jpg",
             "1/trip/forest.jpg", "1/trip/journal.txt", "2/letter.txt", "2/mountain.jpg", "2/Recipe.txt"})
        expected.push_back(samples + relative);
    EXPECT_EQ(entriesOf(h.form.state().resultList()), expected);
    EXPECT_EQ(h.dialogs.messages(), (QStringList{question, u"Done."_s}));
}

TEST(SampleSearch, ShippedPicturesAreRealJpegImages)
{
    const QDir samples(QStringLiteral(PROGRAM_FOLDER) + u"/Samples"_s);
    for (const QString& picture : {u"1/harbour.jpg"_s, u"1/sunrise.jpg"_s, u"1/photo-backup.JPG"_s,
             u"1/trip/forest.jpg"_s, u"2/mountain.jpg"_s}) {
        QImageReader reader(samples.filePath(picture));
        EXPECT_EQ(reader.format(), "jpeg") << picture.toStdString();
        EXPECT_FALSE(reader.read().isNull()) << picture.toStdString();
    }
}

} // namespace
