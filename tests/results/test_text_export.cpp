#include "command_kit/window_state.h"
#include "platform/failure.h"
#include "platform/output_file.h"
#include "results/text_export.h"
#include "support/qt_printers.h"
#include "support/scripted_services.h"
#include "support/temp_tree.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace ferrowax;
using namespace ferrowax::testing;

namespace {

QByteArray contentOf(const QByteArray& path)
{
    QFile file(QString::fromUtf8(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

std::vector<int> reportedLines(const ScriptedDialogs& boxes)
{
    std::vector<int> lines;
    for (const ShownBox& report : boxes.errorReports()) {
        EXPECT_TRUE(report.text.contains(u"in Drovatek2021/08/31.Form1.PushButton2_Click at line "_s));
        lines.push_back(report.text.section(u"at line "_s, 1).section(u'\r', 0, 0).toInt());
    }
    return lines;
}

struct TextExportTest : ::testing::Test {
    ScriptedServices scripted;
    WindowState window;
    TempTree tree;

    void results(std::initializer_list<QByteArray> paths)
    {
        for (const QByteArray& path : paths)
            window.resultList().append(path, true);
    }
    void saveAs(const QByteArray& path)
    {
        scripted.dialogs.saveAnswers.push_back(QString::fromUtf8(path));
        PushButton2_Click(window, scripted.services);
    }
};

TEST_F(TextExportTest, WritesOneCrLfLinePerEntry)
{
    results({"C:\\A\\x.txt", "C:\\B\\y.jpg"});
    window.resultList().setChecked(2, false); // ticked or not, every result is written
    window.setMousePointer(Pointer::Hand);
    int pointerAtDone = -1;
    scripted.dialogs.whileShown = [&](const ShownBox& box) {
        if (box.text == u"Done."_s)
            pointerAtDone = window.mousePointer();
    };
    saveAs(tree.path("out.txt"));
    EXPECT_EQ(contentOf(tree.path("out.txt")), "C:\\A\\x.txt\r\nC:\\B\\y.jpg\r\n");
    EXPECT_EQ(contentOf(tree.path("out.txt")).size(), 24);
    EXPECT_EQ(scripted.dialogs.lastSaveRequest.title, u"Save"_s);
    EXPECT_EQ(scripted.dialogs.lastSaveRequest.filters, (QStringList{u"Text Files (*.txt)"_s, u"All Files (*.*)"_s}));
    EXPECT_EQ(scripted.dialogs.messages(), QStringList{u"Done."_s});
    EXPECT_EQ(pointerAtDone, Pointer::Hourglass);
    EXPECT_EQ(window.mousePointer(), Pointer::Default);
}

TEST_F(TextExportTest, NameIsUsedAsGivenAndPathsAsBytes)
{
    results({"/photos/caf\xe9.jpg", "/notes/new\nline.txt"});
    saveAs(tree.path("results"));
    EXPECT_EQ(contentOf(tree.path("results")), "/photos/caf\xe9.jpg\r\n/notes/new\nline.txt\r\n");
    EXPECT_FALSE(QFile::exists(QString::fromUtf8(tree.path("results.txt"))));
}

TEST_F(TextExportTest, EmptyListGivesAnEmptyFile)
{
    saveAs(tree.path("empty.txt"));
    EXPECT_EQ(contentOf(tree.path("empty.txt")), QByteArray());
    EXPECT_EQ(scripted.dialogs.messages(), QStringList{u"Done."_s});
}

TEST_F(TextExportTest, CancelWritesNothingAndSaysNothing)
{
    results({"/a"});
    window.setMousePointer(Pointer::Hand);
    PushButton2_Click(window, scripted.services);
    EXPECT_TRUE(scripted.dialogs.messages().isEmpty());
    EXPECT_EQ(window.mousePointer(), Pointer::Hand);
}

TEST_F(TextExportTest, ExistingFileIsReplacedOnYesAndUntouchedOnNo)
{
    results({"/new/a.txt"});
    tree.file("old.txt", "old content that is longer than the new\r\n");
    const QString question = u"Are you sure you wish to overwrite "_s + QString::fromUtf8(tree.path("old.txt")) + u" ?"_s;

    scripted.dialogs.messageAnswers.push_back(Answer::No);
    saveAs(tree.path("old.txt"));
    EXPECT_EQ(contentOf(tree.path("old.txt")), "old content that is longer than the new\r\n");
    EXPECT_EQ(scripted.dialogs.messages(), QStringList{question});
    EXPECT_EQ(scripted.dialogs.shown.back().style, 4);

    scripted.dialogs.messageAnswers.push_back(Answer::Yes);
    saveAs(tree.path("old.txt"));
    EXPECT_EQ(contentOf(tree.path("old.txt")), "/new/a.txt\r\n");
}

TEST_F(TextExportTest, FolderThatDoesNotExistIsReportedAndDoneStillShown)
{
    results({"/a"});
    saveAs(tree.path("missing/out.txt"));
    EXPECT_EQ(reportedLines(scripted.dialogs), std::vector<int>{130});
    EXPECT_TRUE(scripted.dialogs.errorReports().front().text.startsWith(u"No such file or directory\r\n"_s));
    EXPECT_EQ(scripted.dialogs.messages().back(), u"Done."_s);
    EXPECT_EQ(window.mousePointer(), Pointer::Default);
    EXPECT_FALSE(QFile::exists(QString::fromUtf8(tree.path("missing"))));
}

TEST_F(TextExportTest, NameOfAFolderIsReportedAndTheFolderLeftAlone)
{
    results({"/a"});
    tree.file("folder/inside.txt", "kept");
    scripted.dialogs.messageAnswers.push_back(Answer::Yes);
    saveAs(tree.path("folder"));
    EXPECT_EQ(reportedLines(scripted.dialogs), std::vector<int>{130});
    EXPECT_TRUE(scripted.dialogs.errorReports().front().text.startsWith(u"Is a directory\r\n"_s));
    EXPECT_EQ(contentOf(tree.path("folder/inside.txt")), "kept");
    EXPECT_EQ(scripted.dialogs.messages().back(), u"Done."_s);
}

TEST_F(TextExportTest, EntriesClearedDuringTheExportAreReportedLineByLine)
{
    results({"/1", "/2", "/3", "/4"});
    scripted.eventPump.onYield = [&](int yieldNumber) {
        if (yieldNumber == 2)
            window.resultList().clear();
    };
    saveAs(tree.path("out.txt"));
    EXPECT_EQ(contentOf(tree.path("out.txt")), "/1\r\n");
    EXPECT_EQ(reportedLines(scripted.dialogs), (std::vector<int>{136, 136, 136}));
    EXPECT_TRUE(scripted.dialogs.errorReports().front().text.startsWith(u"Index out of bounds\r\n"_s));
    EXPECT_EQ(scripted.dialogs.messages().back(), u"Done."_s);
}

// Keeps what is written and fails once it holds `capacity` bytes, like a
// disk that fills up.
class FillingOutputFiles final : public OutputFiles {
public:
    QByteArray written;
    qsizetype capacity = 0;

    std::unique_ptr<OutputFile> create(const QByteArray&) override
    {
        struct File final : OutputFile {
            FillingOutputFiles& owner;
            explicit File(FillingOutputFiles& files)
                : owner(files)
            {
            }
            void write(QByteArrayView bytes) override
            {
                if (owner.written.size() + bytes.size() > owner.capacity)
                    throw Failure(u"No space left on device"_s);
                owner.written.append(bytes);
            }
            void close() override {}
        };
        return std::make_unique<File>(*this);
    }
};

TEST_F(TextExportTest, FailedWritesSkipTheirLineAndKeepWhatWasWritten)
{
    FillingOutputFiles filling;
    filling.capacity = 12;
    Services withFilling{scripted.dialogs, scripted.eventPump, scripted.fileSystem, scripted.desktop,
        scripted.random, scripted.processEnd, scripted.settings, filling, scripted.clipboard, scripted.spreadsheets,
        QString()};
    results({"/first", "/second", "/x"});
    scripted.dialogs.saveAnswers.push_back(QString::fromUtf8(tree.path("disk.txt")));
    PushButton2_Click(window, withFilling);
    EXPECT_EQ(filling.written, "/first\r\n/x\r\n");
    EXPECT_EQ(reportedLines(scripted.dialogs), std::vector<int>{136});
    EXPECT_EQ(scripted.dialogs.messages().back(), u"Done."_s);
}

} // namespace
