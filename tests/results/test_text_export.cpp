#include "command_kit/window_state.h"
#include "os/failure.h"
#include "os/file_descriptor.h"
#include "os/output_file.h"
#include "results/text_export.h"
#include "support/file_contents.h"
#include "support/hang_guard.h"
#include "support/qt_printers.h"
#include "support/recording_file_system.h"
#include "support/scripted_services.h"
#include "support/temp_tree.h"
#include "support/tmpfs_mount.h"
#include "support/unprivileged.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <functional>
#include <optional>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace ferrowax;
using namespace ferrowax::testing;

namespace {

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

// The reports and the "Done." of a save, in one line: each report as its
// line and the first line of its text.
QByteArray outcomeOf(const ScriptedDialogs& boxes)
{
    QStringList said;
    for (const ShownBox& report : boxes.errorReports()) {
        EXPECT_TRUE(report.text.contains(u"in Drovatek2021/08/31.Form1.PushButton2_Click at line "_s));
        said << report.text.section(u"at line "_s, 1).section(u'\r', 0, 0) + u' ' + report.text.section(u"\r\n"_s, 0, 0);
    }
    if (boxes.messages().contains(u"Done."_s))
        said << u"Done."_s;
    return said.join(u"; "_s).toUtf8();
}

// A window with results, a tree to save into and scripted answers.
struct Export {
    ScriptedServices scripted;
    WindowState window;
    TempTree tree;

    void results(const std::vector<QByteArray>& paths)
    {
        for (const QByteArray& path : paths)
            window.resultList().append(path, true);
    }
    void saveAs(const QByteArray& path)
    {
        scripted.dialogs.saveAnswers.push_back(QString::fromUtf8(path));
        PushButton2_Click(window, scripted.services);
    }
    // Saves to `path` with Yes ready should it be replaced; tells how it ended.
    QByteArray replace(const QByteArray& path)
    {
        scripted.dialogs.shown.clear();
        scripted.dialogs.messageAnswers.push_back(Answer::Yes);
        saveAs(path);
        return outcomeOf(scripted.dialogs);
    }
};

struct TextExportTest : ::testing::Test, Export {};

// Ticked or not, every result is written, under the name as given and as
// bytes; an existing file is replaced on Yes, keeping its owner and every
// bit of its mode, and untouched on No; Cancel writes and says nothing, and
// neither changes the pointer.
TEST(TextExport, WritesOneCrLfLinePerResultUnderTheNameGivenAsAnswered)
{
    const bool root = ::geteuid() == 0;
    const QByteArray old = "old content that is longer than the new\r\n";
    const struct {
        const char* what;
        std::vector<QByteArray> results;
        QByteArray name; // empty: Cancel
        QByteArray content = "/new/a.txt\r\n";
        mode_t mode = 0; // of a file there before; 0: none
        int answer = Answer::Yes; // to the question whether to replace it
    } cases[] = {
        {"ticked or not", {"C:\\A\\x.txt", "C:\\B\\y.jpg"}, "out.txt", "C:\\A\\x.txt\r\nC:\\B\\y.jpg\r\n"},
        {"the name as given, paths as bytes", {"/photos/caf\xe9.jpg", "/notes/new\nline.txt"}, "results",
            "/photos/caf\xe9.jpg\r\n/notes/new\nline.txt\r\n"},
        {"an empty list", {}, "empty.txt", ""},
        {"Cancel", {"/a"}, ""},
        {"an existing file, No", {"/new/a.txt"}, "old.txt", old, 0640, Answer::No},
        {"an existing file, Yes", {"/new/a.txt"}, "old.txt", "/new/a.txt\r\n", 0640},
        {"the set-group-ID bit", {"/new/a.txt"}, "kept.txt", "/new/a.txt\r\n", 02750},
        {"a name as long as the file system allows", {"/new/a.txt"}, QByteArray(251, 'n') + ".txt", "/new/a.txt\r\n",
            02750},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        Export save;
        save.results(row.results);
        if (row.results.size() > 1)
            save.window.resultList().setChecked(2, false);
        const QByteArray target = save.tree.path(row.name);
        QStringList said;
        if (row.mode != 0) {
            save.tree.file(row.name, old);
            if (root) {
                ASSERT_EQ(::chown(target.constData(), 1234, 5678), 0);
            }
            ::chmod(target.constData(), row.mode);
            save.scripted.dialogs.messageAnswers.push_back(row.answer);
            said << u"Are you sure you wish to overwrite "_s + QString::fromUtf8(target) + u" ?"_s;
        }
        if (!row.name.isEmpty() && row.answer == Answer::Yes)
            said << u"Done."_s;
        save.window.setMousePointer(Pointer::Hand);
        int pointerAtDone = -1;
        int questionStyle = -1;
        save.scripted.dialogs.whileShown = [&](const ShownBox& box) {
            if (box.text == u"Done."_s)
                pointerAtDone = save.window.mousePointer();
            if (box.text.startsWith(u"Are you sure"_s))
                questionStyle = box.style;
        };
        if (row.name.isEmpty())
            PushButton2_Click(save.window, save.scripted.services);
        else
            save.saveAs(target);
        if (!row.name.isEmpty()) {
            EXPECT_EQ(contentOf(target), row.content);
        }
        EXPECT_EQ(namesIn(save.tree.path()), row.name.isEmpty() ? QStringList() : QStringList{QString::fromUtf8(row.name)});
        EXPECT_EQ(save.scripted.dialogs.lastSaveRequest.title, u"Save"_s);
        EXPECT_EQ(save.scripted.dialogs.lastSaveRequest.filters,
            (QStringList{u"Text Files (*.txt)"_s, u"All Files (*.*)"_s}));
        EXPECT_EQ(save.scripted.dialogs.messages(), said);
        if (row.mode != 0) {
            struct stat saved {};
            ASSERT_EQ(::stat(target.constData(), &saved), 0);
            EXPECT_EQ(saved.st_mode & 07777, root ? row.mode : row.mode & ~S_ISGID);
            if (root) {
                EXPECT_EQ(std::make_pair(saved.st_uid, saved.st_gid), std::make_pair(1234U, 5678U));
            }
        }
        EXPECT_EQ(questionStyle, row.mode != 0 ? 4 : -1);
        const bool done = said.endsWith(u"Done."_s);
        EXPECT_EQ(pointerAtDone, done ? Pointer::Hourglass : -1);
        EXPECT_EQ(save.window.mousePointer(), done ? Pointer::Default : Pointer::Hand);
    }
}

// The file at the end of a chain of links is replaced, whatever bytes the
// links name it by; the links stay links.
TEST_F(TextExportTest, SaveThroughAChainOfLinksReplacesTheFileAtItsEnd)
{
    results({"/new/a.txt"});
    tree.file("d\xff/final.txt", "old\r\n");
    tree.symlink("final.txt", "d\xff/mid.txt");
    tree.symlink("d\xff/mid.txt", "first.txt");
    EXPECT_EQ(replace(tree.path("first.txt")), "Done.");
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

    // As many links as the system follows in one lookup, and no more; the
    // links inside a link's folders count too.
    tree.file("chain/0", "old\r\n");
    for (int link = 1; link <= 41; ++link)
        tree.symlink(QByteArray::number(link - 1), "chain/" + QByteArray::number(link));
    tree.symlink(".", "chain/here");
    tree.symlink("here/39", "chain/through-a-folder-link");
    for (const QByteArray name : {"40", "41", "through-a-folder-link"}) {
        const QByteArray outcome = replace(tree.path("chain/" + name));
        const bool followed = FileDescriptor(::open(tree.path("chain/" + name).constData(), O_RDONLY)).get() >= 0;
        EXPECT_EQ(followed, name == "40");
        EXPECT_EQ(outcome, followed ? "Done." : "130 Too many levels of symbolic links") << name.data();
    }
    EXPECT_EQ(contentOf(tree.path("chain/0")), "/new/a.txt\r\n");
    EXPECT_EQ(namesIn(tree.path("chain")).size(), 44);
}

// A folder renamed in the middle of a save gets the file under its new
// name, and a save that fails after the rename leaves nothing in it.
TEST_F(TextExportTest, FolderRenamedDuringTheSaveGetsTheFileAndNoLitter)
{
    for (const int clearAtYield : {0, 3}) {
        SCOPED_TRACE(clearAtYield);
        window.resultList().clear();
        results({"/1", "/2", "/3", "/4"});
        const QByteArray folder = "f" + QByteArray::number(clearAtYield);
        tree.folder(folder);
        scripted.eventPump.yields = 0;
        scripted.eventPump.onYield = [&](int yieldNumber) {
            if (yieldNumber == 2) {
                ASSERT_EQ(::rename(tree.path(folder).constData(), tree.path(folder + "-moved").constData()), 0);
            }
            if (yieldNumber == clearAtYield)
                window.resultList().clear();
        };
        EXPECT_EQ(replace(tree.path(folder + "/out.txt")), clearAtYield == 0 ? "Done." : "136 Index out of bounds");
        EXPECT_EQ(namesIn(tree.path(folder + "-moved")), clearAtYield == 0 ? QStringList{u"out.txt"_s} : QStringList());
        if (clearAtYield == 0) {
            EXPECT_EQ(contentOf(tree.path(folder + "-moved/out.txt")), "/1\r\n/2\r\n/3\r\n/4\r\n");
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
        for (const char* name : {"user/protected.txt", "user/locked/open.txt", "user/locked/protected.txt"})
            tree.file(name, old);
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
            const QByteArray outcome = replace(target);
            said += name + ": " + outcome + ", during " + during + ", after " + contentAt(target) + '\n';
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
    EXPECT_EQ(namesIn(tree.path("user/locked")), (QStringList{u"open.txt"_s, u"protected.txt"_s}));
    EXPECT_EQ(namesIn(tree.path("user")), (QStringList{u"locked"_s, u"protected.txt"_s}));
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
            ASSERT_TRUE(writeFile(disk.path(name), oldText));
            ::chmod(disk.path("locked").constData(), 0555);
            const bool inPlace = name.startsWith("locked");
            EXPECT_EQ(replace(disk.path(name)), QByteArray(inPlace ? row.inPlace : row.replaced))
                << name.constData() << " " << row.failing.toStdString();
            if (row.failing == u"fsync"_s && !inPlace) {
                EXPECT_EQ(contentOf(disk.path(name)), oldText);
            }
        }
        EXPECT_EQ(namesIn(disk.path()), (QStringList{u"locked"_s, u"out.txt"_s}));
    }
}

// Whatever fails, one report says so at the step that failed, "Done." is
// not shown, the old file, if any, stays as it was and nothing is left
// beside it.
TEST_F(TextExportTest, ExportThatCannotBeWrittenEndsWithOneReportAndNoFileChanged)
{
    const HangGuard guard;
    tree.file("folder/inside.txt", "kept");
    tree.file("out.txt", "before\r\n");
    ASSERT_EQ(::mkfifo(tree.path("pipe.txt").constData(), 0600), 0); // nobody reads it
    const struct {
        QByteArray target;
        QByteArray outcome;
        int emptyListAtYield = 0;
    } cases[] = {
        {"missing/out.txt", "130 No such file or directory"},
        {"folder", "130 Is a directory"},
        {"pipe.txt", "130 " + tree.path("pipe.txt") + " is not a regular file"},
        {QByteArray(NAME_MAX + 1, 'n'), "130 File name too long"},
        {"out.txt", "136 Index out of bounds", 2},
    };
    for (const auto& failing : cases) {
        SCOPED_TRACE(failing.target.constData());
        window.resultList().clear();
        results({"/1", "/2", "/3", "/4"});
        scripted.eventPump.yields = 0;
        scripted.eventPump.onYield = [&](int yieldNumber) {
            if (yieldNumber == failing.emptyListAtYield)
                window.resultList().clear();
        };
        EXPECT_EQ(replace(tree.path(failing.target)), failing.outcome);
        EXPECT_EQ(window.mousePointer(), Pointer::Default);
        EXPECT_EQ(contentOf(tree.path("folder/inside.txt")), "kept");
        EXPECT_EQ(contentOf(tree.path("out.txt")), "before\r\n");
        EXPECT_EQ(namesIn(tree.path()), (QStringList{u"folder"_s, u"out.txt"_s, u"pipe.txt"_s}));
    }
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
        scripted.eventPump.yields = 0;
        bool ran = false;
        // A second save runs in a wait for a write, the close's at the
        // latest; the list is emptied between two blocks, for a block may be
        // written before the export would wait for it.
        scripted.eventPump.onWait = [&] {
            if (during == During::SecondSave && scripted.eventPump.yields > 0 && !std::exchange(ran, true))
                saveAs(tree.path("second.txt"));
        };
        scripted.eventPump.onYield = [&](int yieldNumber) {
            if (during == During::ListEmptied && yieldNumber == 20000 && !std::exchange(ran, true))
                window.resultList().clear();
        };
        const QByteArray outcome = replace(tree.path("out.txt"));
        EXPECT_EQ(ran, during != During::Nothing);
        const bool emptied = during == During::ListEmptied;
        EXPECT_EQ(outcome, emptied ? "136 Index out of bounds" : "Done.");
        EXPECT_TRUE(contentOf(tree.path("out.txt")) == (emptied ? "before\r\n" : expected));
        EXPECT_EQ(scripted.dialogs.messages().count(u"Done."_s), during == During::SecondSave ? 2 : !emptied);
    }
    EXPECT_TRUE(contentOf(tree.path("second.txt")) == expected);
    EXPECT_EQ(namesIn(tree.path()), (QStringList{u"out.txt"_s, u"second.txt"_s}));
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
        ASSERT_TRUE(writeFile(target, old));
        EXPECT_EQ(replace(target), "136 No space left on device");
        EXPECT_EQ(contentOf(target), old);
        EXPECT_EQ(namesIn(disk.path()), QStringList{u"results.txt"_s});

        const QByteArray inPlace = runUnprivileged([&] {
            const QByteArray locked = disk.path() + "/locked";
            if (!writeFile(locked + "/results.txt", old))
                return QByteArray("cannot prepare");
            ::chmod(locked.constData(), 0555);
            return replace(locked + "/results.txt")
                + (contentOf(locked + "/results.txt") == old ? ", old file whole" : ", old file lost");
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
        EXPECT_EQ(outcomeOf(scripted.dialogs), "136 No space left on device");
    }

    // Where room cannot be reserved (NFS, FUSE), writing into the new
    // blocks first finds out; the disk filling half way through those
    // leaves the file its old length too.
    const RecordingFileSystem full({u"full"_s});
    if (!full.mounted())
        GTEST_SKIP() << full.whyNot().toStdString();
    ASSERT_TRUE(writeFile(full.path("locked/results.txt"), old));
    ::chmod(full.path("locked").constData(), 0555);
    EXPECT_EQ(replace(full.path("locked/results.txt")), "140 No space left on device");
    EXPECT_EQ(contentOf(full.path("locked/results.txt")), old);
}

} // namespace
