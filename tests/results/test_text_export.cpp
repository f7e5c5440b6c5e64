#include "command_kit/window_state.h"
#include "os/failure.h"
#include "os/file_descriptor.h"
#include "os/output_file.h"
#include "results/text_export.h"
#include "support/hang_guard.h"
#include "support/qt_printers.h"
#include "support/recording_file_system.h"
#include "support/scripted_services.h"
#include "support/temp_tree.h"
#include "support/tmpfs_mount.h"
#include "support/unprivileged.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <climits>
#include <utility>
#include <filesystem>
#include <fcntl.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace ferrowax;
using namespace ferrowax::testing;

namespace {

QByteArray contentOf(const QByteArray& path)
{
    QFile file(QString::fromUtf8(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QStringList filesIn(const QByteArray& folder)
{
    return QDir(QString::fromUtf8(folder)).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// Keeps what is written and fails once it holds `capacity` bytes, like a
// disk that fills up.
class FillingOutputFiles final : public OutputFiles {
public:
    QByteArray written;
    qsizetype capacity = 0;
    bool closed = false;

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
            void flush() override {}
            void close() override { owner.closed = true; }
        };
        return std::make_unique<File>(*this);
    }
};

std::vector<int> reportedLines(const ScriptedDialogs& boxes)
{
    std::vector<int> lines;
    for (const ShownBox& report : boxes.errorReports()) {
        EXPECT_TRUE(report.text.contains(u"in Drovatek2021/08/31.Form1.PushButton2_Click at line "_s));
        lines.push_back(report.text.section(u"at line "_s, 1).section(u'\r', 0, 0).toInt());
    }
    return lines;
}

// The reports and the "Done." of a save, in one line.
QByteArray outcomeOf(const ScriptedDialogs& boxes)
{
    QStringList said;
    for (const ShownBox& report : boxes.errorReports())
        said << report.text.section(u"at line "_s, 1).section(u'\r', 0, 0) + u' ' + report.text.section(u'\r', 0, 0);
    if (boxes.messages().contains(u"Done."_s))
        said << u"Done."_s;
    return said.join(u"; "_s).toUtf8();
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
    ::chmod(tree.path("old.txt").constData(), 0640);
    const QString question = u"Are you sure you wish to overwrite "_s + QString::fromUtf8(tree.path("old.txt")) + u" ?"_s;

    scripted.dialogs.messageAnswers.push_back(Answer::No);
    saveAs(tree.path("old.txt"));
    EXPECT_EQ(contentOf(tree.path("old.txt")), "old content that is longer than the new\r\n");
    EXPECT_EQ(scripted.dialogs.messages(), QStringList{question});
    EXPECT_EQ(scripted.dialogs.shown.back().style, 4);

    scripted.dialogs.messageAnswers.push_back(Answer::Yes);
    saveAs(tree.path("old.txt"));
    EXPECT_EQ(contentOf(tree.path("old.txt")), "/new/a.txt\r\n");
    EXPECT_EQ(QFileInfo(QString::fromUtf8(tree.path("old.txt"))).permissions() & 0x7777, QFile::ReadOwner
        | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser | QFile::ReadGroup);
    EXPECT_EQ(filesIn(tree.path()), QStringList{u"old.txt"_s});
}

// The file at the end of a chain of links is replaced, whatever bytes the
// links name it by; the links stay links.
TEST_F(TextExportTest, SaveThroughAChainOfLinksReplacesTheFileAtItsEnd)
{
    results({"/new/a.txt"});
    tree.file("d\xff/final.txt", "old\r\n");
    tree.symlink("final.txt", "d\xff/mid.txt");
    tree.symlink("d\xff/mid.txt", "first.txt");
    scripted.dialogs.messageAnswers.push_back(Answer::Yes);
    saveAs(tree.path("first.txt"));
    // Read back by bytes: these names are no text.
    const FileDescriptor final(::open(tree.path("d\xff/final.txt").constData(), O_RDONLY));
    char content[64] = {};
    EXPECT_EQ(::read(final.get(), content, sizeof content), 12);
    EXPECT_STREQ(content, "/new/a.txt\r\n");
    struct stat link {};
    for (const char* name : {"first.txt", "d\xff/mid.txt"}) {
        ASSERT_EQ(::lstat(tree.path(name).constData(), &link), 0);
        EXPECT_TRUE(S_ISLNK(link.st_mode)) << name;
    }
    const auto entries = std::filesystem::directory_iterator(tree.path("d\xff").toStdString());
    EXPECT_EQ(std::distance(begin(entries), end(entries)), 2);
    EXPECT_TRUE(scripted.dialogs.errorReports().empty());

    // As many links as the system follows in one lookup, and no more; the
    // links inside a link's folders count too.
    tree.file("chain/0", "old\r\n");
    for (int link = 1; link <= 41; ++link)
        tree.symlink(QByteArray::number(link - 1), "chain/" + QByteArray::number(link));
    tree.symlink(".", "chain/here");
    tree.symlink("here/39", "chain/through-a-folder-link");
    for (const QByteArray name : {"40", "41", "through-a-folder-link"}) {
        scripted.dialogs.shown.clear();
        scripted.dialogs.messageAnswers.push_back(Answer::Yes);
        saveAs(tree.path("chain/" + name));
        const bool followed = FileDescriptor(::open(tree.path("chain/" + name).constData(), O_RDONLY)).get() >= 0;
        EXPECT_EQ(followed, name == "40");
        EXPECT_EQ(reportedLines(scripted.dialogs), followed ? std::vector<int>{} : std::vector<int>{130}) << name.data();
        if (!followed) {
            EXPECT_TRUE(scripted.dialogs.errorReports().front().text.startsWith(u"Too many levels of symbolic links\r\n"_s));
        }
    }
    EXPECT_EQ(contentOf(tree.path("chain/0")), "/new/a.txt\r\n");
    EXPECT_EQ(filesIn(tree.path("chain")).size(), 44);
}

// The new file keeps the old one's owner and every bit of its mode, the
// set-group-ID bit included; and a name as long as the file system allows
// can be saved.
TEST_F(TextExportTest, ReplacedFileKeepsOwnerAndModeAndLongNamesCanBeSaved)
{
    results({"/new/a.txt"});
    const QByteArray longName = QByteArray(251, 'n') + ".txt";
    for (const QByteArray& name : {QByteArray("kept.txt"), longName}) {
        tree.file(name, "old\r\n");
        const bool root = ::geteuid() == 0;
        if (root) {
            ASSERT_EQ(::chown(tree.path(name).constData(), 1234, 5678), 0);
        }
        ::chmod(tree.path(name).constData(), 02750);
        scripted.dialogs.messageAnswers.push_back(Answer::Yes);
        saveAs(tree.path(name));
        EXPECT_EQ(contentOf(tree.path(name)), "/new/a.txt\r\n");
        struct stat saved {};
        ASSERT_EQ(::stat(tree.path(name).constData(), &saved), 0);
        EXPECT_EQ(saved.st_mode & 07777, root ? 02750U : 0750U) << name.size();
        if (root) {
            EXPECT_EQ(std::make_pair(saved.st_uid, saved.st_gid), std::make_pair(1234U, 5678U));
        }
    }
    EXPECT_TRUE(scripted.dialogs.errorReports().empty());
    EXPECT_EQ(filesIn(tree.path()).size(), 2);
}

// A folder renamed in the middle of a save gets the file under its new
// name, and a save that fails after the rename leaves nothing in it.
TEST_F(TextExportTest, FolderRenamedDuringTheSaveGetsTheFileAndNoLitter)
{
    for (const int clearAtYield : {0, 3}) {
        window.resultList().clear();
        results({"/1", "/2", "/3", "/4"});
        const QByteArray folder = "f" + QByteArray::number(clearAtYield);
        tree.folder(folder);
        scripted.eventPump.onYield = [&](int yieldNumber) {
            if (yieldNumber == 2) {
                ASSERT_EQ(::rename(tree.path(folder).constData(), tree.path(folder + "-moved").constData()), 0);
            }
            if (yieldNumber == clearAtYield)
                window.resultList().clear();
        };
        saveAs(tree.path(folder + "/out.txt"));
        if (clearAtYield == 0) {
            EXPECT_EQ(contentOf(tree.path(folder + "-moved/out.txt")), "/1\r\n/2\r\n/3\r\n/4\r\n");
            EXPECT_EQ(filesIn(tree.path(folder + "-moved")), QStringList{u"out.txt"_s});
        } else {
            EXPECT_TRUE(filesIn(tree.path(folder + "-moved")).isEmpty());
        }
    }
}

// Root writes every file, so this runs as a user. A file the user
// write-protected is refused, as a write to it would be; one the user may
// write, in a folder that takes no new file, is written in place, keeps its
// owner and mode, and holds its old text until the save is whole.
TEST_F(TextExportTest, WriteProtectionIsHonouredAndAFolderThatTakesNoNewFileIsWrittenInPlace)
{
    results({"/new/a.txt", "/new/b.txt"});
    tree.folder("user");
    if (::geteuid() == 0) {
        ASSERT_EQ(::chmod(tree.path().constData(), 0711), 0);
        ASSERT_EQ(::chown(tree.path("user").constData(), unprivilegedId, unprivilegedId), 0);
    }
    const QByteArray said = runUnprivileged([&] {
        // Longer than the new text, which must not keep its tail.
        const QByteArray old = "old text, longer than the results that replace it";
        tree.file("user/protected.txt", old);
        tree.file("user/locked/open.txt", old);
        tree.file("user/locked/protected.txt", old);
        ::chmod(tree.path("user/protected.txt").constData(), 0444);
        ::chmod(tree.path("user/locked/open.txt").constData(), 0640);
        ::chmod(tree.path("user/locked/protected.txt").constData(), 0444);
        ::chmod(tree.path("user/locked").constData(), 0555);
        const auto contentAt = [&](const QByteArray& path) {
            const QByteArray content = contentOf(path);
            if (content == old)
                return QByteArray("old");
            return content == "/new/a.txt\r\n/new/b.txt\r\n" ? QByteArray("new") : content;
        };
        QByteArray said;
        for (const QByteArray name : {"protected.txt", "locked/open.txt", "locked/protected.txt", "locked/new.txt"}) {
            const QByteArray target = tree.path("user/" + name);
            QByteArray during = "-";
            scripted.eventPump.onYield = [&](int) { during = contentAt(target); };
            scripted.dialogs.shown.clear();
            if (QFile::exists(QString::fromUtf8(target)))
                scripted.dialogs.messageAnswers.push_back(Answer::Yes);
            saveAs(target);
            said += name + ": " + outcomeOf(scripted.dialogs) + ", during " + during + ", after " + contentAt(target) + '\n';
        }
        ::chmod(tree.path("user/locked").constData(), 0755);
        return said;
    });
    EXPECT_EQ(said,
        "protected.txt: 130 Permission denied, during -, after old\n"
        "locked/open.txt: Done., during old, after new\n"
        "locked/protected.txt: 130 Permission denied, during -, after old\n"
        "locked/new.txt: 130 Permission denied, during -, after <missing>\n");
    struct stat saved {};
    ASSERT_EQ(::stat(tree.path("user/locked/open.txt").constData(), &saved), 0);
    EXPECT_EQ(saved.st_mode & 07777, 0640U);
    EXPECT_EQ(saved.st_uid, ::geteuid() == 0 ? unprivilegedId : ::geteuid());
    EXPECT_EQ(filesIn(tree.path("user/locked")), (QStringList{u"open.txt"_s, u"protected.txt"_s}));
    EXPECT_EQ(filesIn(tree.path("user")), (QStringList{u"locked"_s, u"protected.txt"_s}));
}

// On a file system that writes its calls down, the new file is on the disk
// before it takes the old one's place, and so is its name before "Done.".
// A disk that tells of a failed write only at an fsync, as NFS and quotas
// may, gets a report and no "Done.", whether the file is replaced, written
// in place or its name fails to reach the disk. A file system that cannot
// sync folders at all, saying so with EINVAL, is done once the file is.
TEST_F(TextExportTest, SaveIsOnTheDiskBeforeDoneAndAFailedSyncIsReported)
{
    results({"/new/a.txt"});
    {
        RecordingFileSystem disk;
        if (!disk.mounted())
            GTEST_SKIP() << disk.whyNot().toStdString();
        saveAs(disk.path("out.txt"));
        const QByteArrayList calls = disk.calls();
        ASSERT_EQ(calls.size(), 3) << calls.join(", ").constData();
        const QByteArray temporary = calls[0].mid(6);
        EXPECT_TRUE(temporary.startsWith("/.out.txt.ferrowax-")) << temporary.constData();
        EXPECT_EQ(calls, (QByteArrayList{"fsync " + temporary, "rename " + temporary + " /out.txt", "fsyncdir /"}));
        EXPECT_EQ(scripted.dialogs.messages(), QStringList{u"Done."_s});
    }
    const QByteArray oldText(10000, 'o');
    const struct {
        QString failing;
        const char* replaced;
        const char* inPlace;
    } rows[] = {
        {u"fsync"_s, "140 Input/output error", "140 Input/output error"},
        {u"fsyncdir"_s, "140 Input/output error", "Done."},
        {u"fsyncdir=EINVAL"_s, "Done.", "Done."},
    };
    for (const auto& row : rows) {
        RecordingFileSystem disk({row.failing});
        ASSERT_TRUE(disk.mounted()) << disk.whyNot().toStdString();
        for (const QByteArray name : {"out.txt", "locked/out.txt"}) {
            // Longer than the new text, in a file system that cannot reserve room.
            QFile old(QString::fromUtf8(disk.path(name)));
            ASSERT_TRUE(QDir().mkpath(QFileInfo(old).path()) && old.open(QIODevice::WriteOnly) && old.write(oldText) > 0);
            old.close();
            ::chmod(disk.path("locked").constData(), 0555);
            scripted.dialogs.shown.clear();
            scripted.dialogs.messageAnswers.push_back(Answer::Yes);
            saveAs(disk.path(name));
            const bool inPlace = name.startsWith("locked");
            EXPECT_EQ(outcomeOf(scripted.dialogs), QByteArray(inPlace ? row.inPlace : row.replaced))
                << name.constData() << " " << row.failing.toStdString();
            if (row.failing == u"fsync"_s && !inPlace) {
                EXPECT_EQ(contentOf(disk.path(name)), oldText);
            }
        }
        EXPECT_EQ(filesIn(disk.path()), (QStringList{u"locked"_s, u"out.txt"_s}));
    }
}

// Whatever fails, one report says so at the step that failed, "Done." is
// not shown, the old file, if any, stays as it was and nothing is left beside it.
TEST_F(TextExportTest, ExportThatCannotBeWrittenEndsWithOneReportAndNoFileChanged)
{
    const HangGuard guard;
    results({"/a"});
    tree.file("folder/inside.txt", "kept");
    ASSERT_EQ(::mkfifo(tree.path("pipe.txt").constData(), 0600), 0); // nobody reads it
    struct Case {
        QByteArray target;
        QString description;
    };
    const std::vector<Case> cases{
        {tree.path("missing/out.txt"), u"No such file or directory"_s},
        {tree.path("folder"), u"Is a directory"_s},
        {tree.path("pipe.txt"), QString::fromUtf8(tree.path("pipe.txt")) + u" is not a regular file"_s},
        {tree.path(QByteArray(NAME_MAX + 1, 'n')), u"File name too long"_s},
    };
    for (const Case& failing : cases) {
        scripted.dialogs.shown.clear();
        scripted.dialogs.messageAnswers.push_back(Answer::Yes);
        saveAs(failing.target);
        EXPECT_EQ(reportedLines(scripted.dialogs), std::vector<int>{130}) << failing.target.constData();
        EXPECT_TRUE(scripted.dialogs.errorReports().front().text.startsWith(failing.description + u"\r\n"_s));
        EXPECT_FALSE(scripted.dialogs.messages().contains(u"Done."_s));
        EXPECT_EQ(window.mousePointer(), Pointer::Default);
    }
    EXPECT_EQ(contentOf(tree.path("folder/inside.txt")), "kept");
    EXPECT_EQ(filesIn(tree.path()), (QStringList{u"folder"_s, u"pipe.txt"_s}));
}

TEST_F(TextExportTest, ListEmptiedDuringTheExportGivesOneReportAndNoFile)
{
    results({"/1", "/2", "/3", "/4"});
    tree.file("out.txt", "before\r\n");
    scripted.eventPump.onYield = [&](int yieldNumber) {
        if (yieldNumber == 2)
            window.resultList().clear();
    };
    scripted.dialogs.messageAnswers.push_back(Answer::Yes);
    saveAs(tree.path("out.txt"));
    EXPECT_EQ(contentOf(tree.path("out.txt")), "before\r\n");
    EXPECT_EQ(reportedLines(scripted.dialogs), std::vector<int>{136});
    EXPECT_TRUE(scripted.dialogs.errorReports().front().text.startsWith(u"Index out of bounds\r\n"_s));
    EXPECT_FALSE(scripted.dialogs.messages().contains(u"Done."_s));
    EXPECT_EQ(filesIn(tree.path()), QStringList{u"out.txt"_s});
}

// The lines reach the disk a block at a time on the I/O service's threads,
// and other commands run while a block is written: past a block's end no
// line is lost, a list emptied meanwhile ends the export with one report and
// the old file whole, and a second save made meanwhile is whole as well.
TEST_F(TextExportTest, LinesGoToTheDiskInBlocksWhileOtherCommandsRun)
{
    QByteArray expected;
    for (int i = 0; i < 30000; ++i) {
        const QByteArray path = "/photos/" + QByteArray::number(i) + '-' + QByteArray(60, 'x') + ".jpg";
        window.resultList().append(path, true);
        expected += path + "\r\n";
    }
    enum class During { Nothing, ListEmptied, SecondSave };
    for (const During during : {During::Nothing, During::SecondSave, During::ListEmptied}) {
        SCOPED_TRACE(static_cast<int>(during));
        tree.file("out.txt", "before\r\n");
        scripted.dialogs.shown.clear();
        scripted.eventPump.yields = 0;
        bool ran = false;
        scripted.eventPump.onWait = [&] {
            if (scripted.eventPump.yields == 0 || std::exchange(ran, true))
                return; // only while the lines are written
            if (during == During::ListEmptied)
                window.resultList().clear();
            if (during == During::SecondSave)
                saveAs(tree.path("second.txt"));
        };
        scripted.dialogs.messageAnswers.push_back(Answer::Yes);
        saveAs(tree.path("out.txt"));
        EXPECT_TRUE(ran);
        if (during == During::ListEmptied) {
            EXPECT_EQ(reportedLines(scripted.dialogs), std::vector<int>{136});
            EXPECT_EQ(contentOf(tree.path("out.txt")), "before\r\n");
            EXPECT_FALSE(scripted.dialogs.messages().contains(u"Done."_s));
        } else {
            EXPECT_TRUE(scripted.dialogs.errorReports().empty());
            EXPECT_TRUE(contentOf(tree.path("out.txt")) == expected);
            EXPECT_EQ(scripted.dialogs.messages().count(u"Done."_s), during == During::SecondSave ? 2 : 1);
        }
    }
    EXPECT_TRUE(contentOf(tree.path("second.txt")) == expected);
    EXPECT_EQ(filesIn(tree.path()), (QStringList{u"out.txt"_s, u"second.txt"_s}));
}

// A disk that fills up in the middle: a small file system of its own where
// the test may mount one, else an output device that fails the same way.
// Written in place, in a folder that takes no new file, the text that does
// not fit leaves the old one whole too.
TEST_F(TextExportTest, FullDiskLeavesTheOldFileWholeWithOneReport)
{
    for (int i = 0; i < 2000; ++i)
        window.resultList().append("/photos/2026/holiday/" + QByteArray::number(i) + "-a-long-enough-name.jpg", true);
    const QByteArray old = QByteArray(20000, 'o') + "\r\n";
    const TmpfsMount disk(64 * 1024);
    if (disk.mounted()) {
        const QByteArray target = disk.path() + "/results.txt";
        QFile file(QString::fromUtf8(target));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(old);
        file.close();
        scripted.dialogs.messageAnswers.push_back(Answer::Yes);
        saveAs(target);
        EXPECT_EQ(contentOf(target), old);
        EXPECT_EQ(filesIn(disk.path()), QStringList{u"results.txt"_s});

        const QByteArray inPlace = runUnprivileged([&] {
            ScriptedDialogs& boxes = scripted.dialogs;
            boxes.shown.clear();
            const QByteArray locked = disk.path() + "/locked";
            QFile file(QString::fromUtf8(locked + "/results.txt"));
            if (::mkdir(locked.constData(), 0755) != 0 || !file.open(QIODevice::WriteOnly) || file.write(old) != old.size())
                return QByteArray("cannot prepare");
            file.close();
            ::chmod(locked.constData(), 0555);
            boxes.messageAnswers.push_back(Answer::Yes);
            saveAs(locked + "/results.txt");
            return outcomeOf(boxes) + (contentOf(locked + "/results.txt") == old ? ", old file whole" : ", old file lost");
        });
        EXPECT_EQ(inPlace, "140 No space left on device, old file whole");
    } else {
        FillingOutputFiles filling;
        filling.capacity = 12000;
        Services withFilling{scripted.dialogs, scripted.eventPump, scripted.io, scripted.fileSystem, scripted.desktop,
            scripted.random, scripted.processEnd, scripted.settings, filling, scripted.clipboard,
            scripted.spreadsheets, QString()};
        scripted.dialogs.saveAnswers.push_back(QString::fromUtf8(tree.path("disk.txt")));
        PushButton2_Click(window, withFilling);
        EXPECT_FALSE(filling.closed);
    }
    EXPECT_EQ(reportedLines(scripted.dialogs), std::vector<int>{136});
    EXPECT_TRUE(scripted.dialogs.errorReports().front().text.startsWith(u"No space left on device\r\n"_s));
    EXPECT_FALSE(scripted.dialogs.messages().contains(u"Done."_s));

    // Where room cannot be reserved (NFS, FUSE), writing into the new
    // blocks first finds out; the disk filling half way through those
    // leaves the file its old length too.
    const RecordingFileSystem full({u"full"_s});
    if (!full.mounted())
        GTEST_SKIP() << full.whyNot().toStdString();
    QFile file(QString::fromUtf8(full.path("locked/results.txt")));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(file).path()) && file.open(QIODevice::WriteOnly) && file.write(old) > 0);
    file.close();
    ::chmod(full.path("locked").constData(), 0555);
    scripted.dialogs.shown.clear();
    scripted.dialogs.messageAnswers.push_back(Answer::Yes);
    saveAs(full.path("locked/results.txt"));
    EXPECT_EQ(outcomeOf(scripted.dialogs), "140 No space left on device");
    EXPECT_EQ(contentOf(full.path("locked/results.txt")), old);
}

} // namespace
