#include "support/qt_printers.h"
#include "support/temp_tree.h"

#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using ferrowax::testing::TempTree;

namespace {

struct Outcome {
    int exitCode = -1;
    QByteArray out;
    QByteArray errors;
};

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The real program, as a terminal starts it, with no display at all. The
// arguments go as the bytes given; standard output may be a full disk.
Outcome ferrowax(const QList<QByteArray>& arguments, const QByteArray& workingFolder = {}, bool outputToFullDisk = false,
    const QByteArray& display = {})
{
    const QTemporaryDir outputs;
    const QByteArray outPath = outputToFullDisk ? QByteArray("/dev/full") : QFile::encodeName(outputs.filePath(u"out"_s));
    const QByteArray errorsPath = QFile::encodeName(outputs.filePath(u"errors"_s));
    std::vector<char*> argv{const_cast<char*>(PROGRAM)};
    for (const QByteArray& argument : arguments)
        argv.push_back(const_cast<char*>(argument.constData()));
    argv.push_back(nullptr);
    std::vector<QByteArray> environment;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        const QByteArray entry(*variable);
        if (!entry.startsWith("DISPLAY=") && !entry.startsWith("WAYLAND_DISPLAY=") && !entry.startsWith("QT_QPA_PLATFORM="))
            environment.push_back(entry);
    }
    if (!display.isEmpty())
        environment.push_back("DISPLAY=" + display);
    std::vector<char*> envp;
    for (QByteArray& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    const pid_t child = ::fork();
    if (child == 0) {
        const int out = ::open(outPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int errors = ::open(errorsPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || errors < 0 || ::dup2(out, 1) < 0 || ::dup2(errors, 2) < 0
            || (!workingFolder.isEmpty() && ::chdir(workingFolder.constData()) != 0))
            ::_exit(126);
        ::execve(PROGRAM, argv.data(), envp.data());
        ::_exit(127);
    }
    Outcome run;
    int status = 0;
    for (int waited = 0; ::waitpid(child, &status, WNOHANG) == 0; ++waited) {
        if (waited == 3000) {
            ADD_FAILURE() << "ferrowax did not finish";
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return run;
        }
        ::usleep(10000);
    }
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    run.out = outputToFullDisk ? QByteArray() : contentOf(outputs.filePath(u"out"_s));
    run.errors = contentOf(outputs.filePath(u"errors"_s));
    return run;
}

TEST(CommandLine, AnswersWithoutADisplayAndNeverAborts)
{
    const Outcome help = ferrowax({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith("Usage: ferrowax ")) << help.out.constData();
    EXPECT_TRUE(help.out.contains("--list"));

    const Outcome version = ferrowax({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "ferrowax " FERROWAX_VERSION "\n");

    // What cannot be written is an error, reported as such.
    for (const QByteArray& option : {QByteArray("--help"), QByteArray("--version")}) {
        const Outcome full = ferrowax({option}, {}, true);
        EXPECT_EQ(full.exitCode, 1) << option.constData();
        EXPECT_EQ(full.errors, "ferrowax: write error: No space left on device\n");
    }

    for (const QList<QByteArray>& mistaken : {QList<QByteArray>{"--frobnicate"}, QList<QByteArray>{"photos"},
             QList<QByteArray>{"--ext", "jpg"}, QList<QByteArray>{"--null"},
             QList<QByteArray>{"--list", "--folder", "/", "--ext", ""}}) {
        const Outcome run = ferrowax(mistaken);
        EXPECT_EQ(run.exitCode, 2) << mistaken.front().constData();
        EXPECT_EQ(run.errors.count('\n'), 2) << run.errors.constData();
        EXPECT_TRUE(run.errors.endsWith("Try 'ferrowax --help' for more information.\n"));
        EXPECT_TRUE(run.out.isEmpty());
    }

    const Outcome window = ferrowax({});
    EXPECT_EQ(window.exitCode, 1);
    EXPECT_EQ(window.errors.count('\n'), 1) << window.errors.constData();
    EXPECT_TRUE(window.errors.contains("needs a graphical session"));
    EXPECT_TRUE(window.errors.contains("xvfb-run ferrowax"));

    // A display that cannot be reached: Qt's own reason, then the advice.
    const Outcome unreachable = ferrowax({}, {}, false, ":4711");
    EXPECT_EQ(unreachable.exitCode, 1);
    EXPECT_TRUE(unreachable.errors.contains("could not connect to display :4711")) << unreachable.errors.constData();
    EXPECT_TRUE(unreachable.errors.contains("no Qt platform plugin could be initialized"));
    EXPECT_TRUE(unreachable.errors.endsWith("(see ferrowax --help).\n"));
}

// --list walks as "Start Searching" does: the same order and rules, names
// as bytes, boxes as lines on standard error.
TEST(CommandLine, ListPrintsTheMatchesAsTheWindowFindsThem)
{
    TempTree tree;
    for (const char* name : {"b.txt", "A.TXT", "a.txt", "Sub/c.jpg", "sub2/d.txt", "x.png"})
        tree.file(name);
    tree.file("odd/caf\xe9.txt");
    const QByteArray deep = "deep/" + QByteArray(245 - tree.path().size(), 'd');
    tree.file(deep + "/fits.txt"); // 260 characters in all
    tree.file(deep + "x/farr.txt"); // 261: reported, not listed

    const Outcome run = ferrowax({"--list", "--folder", tree.path(), "--folder", tree.path("Sub/"), "--ext", "txt",
        "--ext", "jpg"});
    EXPECT_EQ(run.out,
        tree.path("a.txt") + '\n' + tree.path("b.txt") + '\n' + tree.path(deep + "/fits.txt") + '\n'
            + tree.path("odd/caf\xe9.txt") + '\n' + tree.path("Sub/c.jpg") + '\n' + tree.path("sub2/d.txt") + '\n'
            + tree.path("Sub/c.jpg") + '\n');
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.errors,
        "ferrowax: The length of filenames in folder " + tree.path(deep + "x/")
            + " is too long. The maximum folder length is 260 symbols. Please move subfolders to a small folder.\n");

    // A folder named from where the command runs stands for its full path.
    const Outcome nul = ferrowax({"--list", "--null", "--folder", "./sub2/", "--ext", "txt"}, tree.path());
    EXPECT_EQ(nul.exitCode, 0);
    EXPECT_EQ(nul.out, tree.path("sub2/d.txt") + '\0');
    EXPECT_TRUE(nul.errors.isEmpty());

    const Outcome missing = ferrowax({"--list", "--folder", tree.path("gone"), "--ext", "txt"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.out.isEmpty());
    EXPECT_TRUE(missing.errors.startsWith(
        "ferrowax: in Drovatek2021/08/31.Search.searchInFiles at line 104: No such file or directory\n"));

    // Folders and extensions are the bytes given, whatever they are.
    tree.file("caf\xe9/\xc3\xa9t\xc3\xa9.\xc3\xa9");
    const Outcome bytes = ferrowax({"--list", "--folder", tree.path("caf\xe9"), "--ext", "\xc3\xa9"});
    EXPECT_EQ(bytes.out, tree.path("caf\xe9/\xc3\xa9t\xc3\xa9.\xc3\xa9") + '\n');
    EXPECT_EQ(bytes.exitCode, 0) << bytes.errors.constData();

    const Outcome full = ferrowax({"--list", "--folder", tree.path("sub2"), "--ext", "txt"}, {}, true);
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_EQ(full.errors, "ferrowax: the paths could not all be written out\n");

    const Outcome nothing = ferrowax({"--list", "--folder", tree.path()});
    EXPECT_EQ(nothing.exitCode, 1);
    EXPECT_EQ(nothing.errors, "ferrowax: No extensions added.\n");
}

} // namespace
