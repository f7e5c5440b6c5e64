#include "support/file_contents.h"
#include "support/qt_printers.h"
#include "support/temp_tree.h"
#include "support/tmpfs_mount.h"
#include "support/unprivileged.h"

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using ferrowax::testing::contentOf;
using ferrowax::testing::TempTree;
using ferrowax::testing::TmpfsMount;

namespace {

struct Outcome {
    int exitCode = -1;
    QByteArray out;
    QByteArray errors;
};

// How the program is started, when not as plainly as can be.
struct Launch {
    QByteArray workingFolder = {};
    bool outputToFullDisk = false;
    QByteArray display = {};
    rlim_t descriptorLimit = 0; // 0: as inherited
    const char* program = PROGRAM;
    bool asUser = false; // not as root, who reads every folder
    bool errorsWithOutput = false; // both to one file, as with 2>&1
};

// The real program, as a terminal starts it, with no display at all. The
// arguments go as the bytes given; standard output may be a full disk.
Outcome ferrowax(const QList<QByteArray>& arguments, const Launch& launch = {})
{
    const QTemporaryDir outputs;
    const QByteArray outPath
        = launch.outputToFullDisk ? QByteArray("/dev/full") : QFile::encodeName(outputs.filePath(u"out"_s));
    const QByteArray errorsPath = QFile::encodeName(outputs.filePath(u"errors"_s));
    std::vector<char*> argv{const_cast<char*>(launch.program)};
    for (const QByteArray& argument : arguments)
        argv.push_back(const_cast<char*>(argument.constData()));
    argv.push_back(nullptr);
    std::vector<QByteArray> environment;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        const QByteArray entry(*variable);
        if (!entry.startsWith("DISPLAY=") && !entry.startsWith("WAYLAND_DISPLAY=") && !entry.startsWith("QT_QPA_PLATFORM="))
            environment.push_back(entry);
    }
    if (!launch.display.isEmpty())
        environment.push_back("DISPLAY=" + launch.display);
    environment.push_back("LC_ALL=C.UTF-8");
    std::vector<char*> envp;
    for (QByteArray& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    const pid_t child = ::fork();
    if (child == 0) {
        const int out = ::open(outPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int errors = ::open(errorsPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const rlimit descriptors{launch.descriptorLimit, launch.descriptorLimit};
        // Only the standard three: what the test runner holds open is not the program's.
        if (out < 0 || errors < 0 || ::dup2(out, 1) < 0 || ::dup2(launch.errorsWithOutput ? out : errors, 2) < 0
            || ::close_range(3, ~0U, 0) != 0
            || (!launch.workingFolder.isEmpty() && ::chdir(launch.workingFolder.constData()) != 0)
            || (launch.descriptorLimit > 0 && ::setrlimit(RLIMIT_NOFILE, &descriptors) != 0)
            || (launch.asUser && ::geteuid() == 0 && ::setuid(ferrowax::testing::unprivilegedId) != 0))
            ::_exit(126);
        ::execve(launch.program, argv.data(), envp.data());
        ::_exit(127);
    }
    Outcome run;
    int status = 0;
    for (int waited = 0; ::waitpid(child, &status, WNOHANG) == 0; ++waited) {
        if (waited == 12000) {
            ADD_FAILURE() << launch.program << " did not finish";
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return run;
        }
        ::usleep(10000);
    }
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    run.out = launch.outputToFullDisk ? QByteArray() : contentOf(outPath);
    run.errors = contentOf(errorsPath);
    return run;
}

// --list of the .txt files below `folder`, with `options` after.
Outcome listTxt(const QByteArray& folder, const QList<QByteArray>& options = {}, const Launch& launch = {})
{
    return ferrowax(QList<QByteArray>{"--list", "--folder", folder, "--ext", "txt"} + options, launch);
}

TEST(CommandLine, AnswersWithoutADisplayAndNeverAborts)
{
    // What cannot be written is an error, reported as such.
    for (const QByteArray& option : {QByteArray("--help"), QByteArray("--version")}) {
        const Outcome full = ferrowax({option}, Launch{.outputToFullDisk = true});
        EXPECT_EQ(full.exitCode, 1) << option.constData();
        EXPECT_EQ(full.errors, "ferrowax: write error: No space left on device\n");
    }

    // The start of what is printed, or the line that says what was wrong.
    const struct {
        QList<QByteArray> arguments;
        QByteArray answer;
        int exitCode = 2;
    } answers[] = {
        {{"--help"}, "Usage: ferrowax --list [OPTION...] FOLDER...\n", 0},
        {{"-h"}, "Usage: ferrowax --list [OPTION...] FOLDER...\n", 0},
        {{"--version"}, "ferrowax " FERROWAX_VERSION "\n", 0},
        {{"-V"}, "ferrowax " FERROWAX_VERSION "\n", 0},
        {{"-v"}, "ferrowax " FERROWAX_VERSION "\n", 0},
        {{"--frobnicate"}, "Unknown option '--frobnicate'."},
        {{"--list", "-iq", "/"}, "Unknown option '-q'."},
        {{"--list", "--ex", "txt", "/"}, "The option '--ex' could be more than one; write it out."},
        {{"--list=yes"}, "The option --list takes no value."},
        {{"--list", "/", "-e"}, "The option -e needs a value."},
        {{"--list", "/", "-e", "txt", "--folder"}, "The option --folder needs a value."},
        {{"photos"}, "A folder ('photos') goes with --list."},
        {{"--ext", "jpg"}, "--ext goes with --list."},
        {{"-i0"}, "--ignore-case goes with --list."},
        {{"--exclude", "x"}, "--exclude goes with --list."},
        {{"--one-file-system"}, "--one-file-system goes with --list."},
        {{"--list", "--folder", "/", "--ext", ""}, "An extension cannot be empty."},
        {{"--list", "--folder", "", "--ext", "txt"}, "A folder cannot be empty."},
        {{"--list", "/", "-e", "txt", "-E", ""}, "A pattern to exclude cannot be empty."},
        {{"--list", "/", "-e", ".."}, "An extension cannot be only dots: '..'."},
        {{"--list", "-e", "txt"}, "--list needs a folder to walk."},
        {{"--list", "/"}, "--list needs an extension to look for (-e EXT)."},
    };
    for (const auto& answer : answers) {
        const Outcome run = ferrowax(answer.arguments);
        EXPECT_EQ(run.exitCode, answer.exitCode) << answer.answer.constData();
        if (answer.exitCode == 0)
            EXPECT_TRUE(run.out.startsWith(answer.answer)) << run.out.constData();
        else
            EXPECT_EQ(run.out + run.errors,
                "ferrowax: " + answer.answer + "\nTry 'ferrowax --help' for more information.\n");
    }
    EXPECT_TRUE(ferrowax({"-h"}).out.contains("Examples:\n  ferrowax --list -e jpg -e JPG ~/Pictures\n"));

    const Outcome window = ferrowax({});
    EXPECT_EQ(window.exitCode, 1);
    EXPECT_EQ(window.errors.count('\n'), 1) << window.errors.constData();
    EXPECT_TRUE(window.errors.contains("needs a graphical session"));
    EXPECT_TRUE(window.errors.contains("xvfb-run ferrowax"));

    // A display that cannot be reached: Qt's own reason, then the advice.
    const Outcome unreachable = ferrowax({}, Launch{.display = ":4711"});
    EXPECT_EQ(unreachable.exitCode, 1);
    EXPECT_TRUE(unreachable.errors.contains("could not connect to display :4711")) << unreachable.errors.constData();
    EXPECT_TRUE(unreachable.errors.contains("no Qt platform plugin could be initialized"));
    EXPECT_TRUE(unreachable.errors.endsWith("(see ferrowax --help).\n"));
}

// --list walks as "Start Searching" does: the same order and rules, names
// as bytes, boxes as lines on standard error. Each way of writing a walk
// gives what its long form gives. A folder that cannot be walked is named
// once, with its reason and the report's place, and the walk goes on: the
// steps that fail only because it did add no line. Root reads every
// folder, so the walks run as a user.
TEST(CommandLine, ListPrintsTheMatchesAsTheWindowFindsThem)
{
    TempTree tree;
    for (const char* name : {"b.txt", "A.TXT", "a.txt", "Sub/c.jpg", "sub2/d.txt", "x.png", "dash/-x/y.txt",
             "dash/locked/z.txt"})
        tree.file(name);
    ASSERT_EQ(::chmod(tree.path().constData(), 0755), 0);
    ASSERT_EQ(::chmod(tree.path("dash/locked").constData(), 0), 0);
    tree.file("odd/caf\xe9.txt");
    const QByteArray deep = "deep/" + QByteArray(245 - tree.path().size(), 'd');
    tree.file(deep + "/fits.txt"); // 260 characters in all
    tree.file(deep + "x/farr.txt"); // 261: reported, not listed
    const QByteArray whole = tree.path("a.txt") + '\n' + tree.path("b.txt") + '\n' + tree.path("dash/-x/y.txt")
        + '\n' + tree.path(deep + "/fits.txt") + '\n' + tree.path("odd/caf\xe9.txt") + '\n' + tree.path("Sub/c.jpg")
        + '\n' + tree.path("sub2/d.txt") + '\n' + tree.path("Sub/c.jpg") + '\n';
    const QByteArray where = " (in Drovatek2021/08/31.Search.searchInFiles at line ";
    const QByteArray locked = "ferrowax: " + tree.path("dash/locked") + ": Permission denied" + where + "154)\n";
    const QByteArray reports = locked + "ferrowax: The length of filenames in folder " + tree.path(deep + "x/")
        + " is too long. The maximum folder length is 260 symbols. Please move subfolders to a small folder.\n";
    const QByteArray dash = tree.path("dash");
    tree.file("caf\xe9/\xc3\xa9t\xc3\xa9.\xc3\xa9");

    const struct {
        QList<QByteArray> arguments;
        QByteArray out;
        QByteArray workingFolder = {};
        QByteArray errors = {};
    } forms[] = {
        {{"--list", "--folder", tree.path(), "--folder", tree.path("Sub/"), "--ext", "txt", "--ext", "jpg"}, whole, {},
            reports},
        {{tree.path(), "-e", ".txt", "--list", "--folder", tree.path("Sub/"), "-ejpg"}, whole, {}, reports},
        // Folders are walked in the order given, however they are given.
        {{"--list", "--ext=jpg", tree.path("Sub"), "--folder=" + tree.path("sub2"), "-e", "txt"},
            tree.path("Sub/c.jpg") + '\n' + tree.path("sub2/d.txt") + '\n'},
        {{"--list", "-i0e", "TXT", tree.path("sub2")}, tree.path("sub2/d.txt") + '\0'},
        // A folder named from where the command runs stands for its full path.
        {{"--list", "--null", "./sub2/", "--ext", "txt"}, tree.path("sub2/d.txt") + '\0', tree.path()},
        {{"--list", "-e", "txt", "--", "-x"}, tree.path("dash/-x/y.txt") + '\n', dash},
        {{"--list", "-e", "txt", "."}, tree.path("dash/-x/y.txt") + '\n', dash, locked},
        // A name keeps its report on one line.
        {{"--list", "-e", "txt", "gone\nnow\x1b", "./-x"}, tree.path("dash/-x/y.txt") + '\n', dash,
            "ferrowax: " + tree.path("dash/gone?now?") + ": No such file or directory" + where + "104)\n"},
        // Folders and extensions are the bytes given, whatever they are.
        {{"--list", tree.path("caf\xe9"), "-e", "\xc3\xa9"}, tree.path("caf\xe9/\xc3\xa9t\xc3\xa9.\xc3\xa9") + '\n'},
    };
    for (const auto& form : forms) {
        const Outcome run = ferrowax(form.arguments, Launch{.workingFolder = form.workingFolder, .asUser = true});
        EXPECT_EQ(run.out, form.out) << form.arguments.join(' ').constData();
        EXPECT_EQ(run.errors, form.errors);
        EXPECT_EQ(run.exitCode, form.errors.isEmpty() ? 0 : 1);
    }

    const Outcome full = listTxt(tree.path("sub2"), {}, Launch{.outputToFullDisk = true});
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_EQ(full.errors, "ferrowax: the paths could not all be written out\n");

    // Both to one file, a report comes after every path found before it,
    // however many went out before.
    for (int i = 0; i < 400; ++i)
        tree.file("many/" + QByteArray(200, 'm') + QByteArray::number(i) + ".txt");
    const Outcome many = listTxt(tree.path("many"));
    ASSERT_GT(many.out.size(), 64 * 1024);
    const Outcome mixed = ferrowax(
        {"--list", "-e", "txt", tree.path("many"), tree.path("gone"), tree.path("sub2")}, Launch{.errorsWithOutput = true});
    EXPECT_EQ(mixed.out, many.out + listTxt(tree.path("gone")).errors + listTxt(tree.path("sub2")).out);
    ::chmod(tree.path("dash/locked").constData(), 0755);
}

// The completions load, and bash's offers the options and the
// folders where each goes.
TEST(CommandLine, CompletionsOfferOptionsAndFolders)
{
    TempTree tree;
    tree.folder("Pictures");
    tree.folder("-x");
    const struct {
        QByteArray typed;
        QByteArray offered;
    } completions[] = {
        {"ferrowax --list -i -", "--list\n--folder\n-e\n--ext\n-E\n--exclude\n-i\n--ignore-case\n-0\n--null\n"
                                 "--one-file-system\n-h\n--help\n-V\n--version\n--\n"},
        {"ferrowax --list -e P", "\n"},
        {"ferrowax --list -e jpg P", "Pictures\n"},
        {"ferrowax --list --folder -", "-x\n"},
        {"ferrowax --list -- -", "-x\n"},
    };
    for (const auto& completion : completions) {
        const Outcome run = ferrowax({"-c",
            "source " COMPLETIONS "/ferrowax.bash; complete -p ferrowax; read -ra COMP_WORDS <<< '" + completion.typed
                + "'; COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _ferrowax; printf '%s\\n' \"${COMPREPLY[@]}\""},
            Launch{.workingFolder = tree.path(), .program = "/bin/bash"});
        EXPECT_EQ(run.errors, "");
        EXPECT_EQ(run.out, "complete -F _ferrowax ferrowax\n" + completion.offered) << completion.typed.constData();
    }
}

TEST(CommandLine, CompletionLoadsInZsh)
{
    if (::access("/usr/bin/zsh", X_OK) != 0)
        GTEST_SKIP() << "zsh is not installed";
    const char* const load = "fpath=(" COMPLETIONS " $fpath); autoload -U compinit; compinit -u -D; "
                             "autoload -U +X _ferrowax && print -r -- $_comps[ferrowax]";
    EXPECT_EQ(ferrowax({"-fc", load}, Launch{.program = "/usr/bin/zsh"}).out, "_ferrowax\n");
}

// `depth` folders named d, each in the one before, below `top`, with
// bottom.txt at the bottom; made one level at a time, as paths this long
// cannot be.
void makeChain(const QByteArray& top, int depth)
{
    ASSERT_EQ(::mkdir(top.constData(), 0755), 0);
    int folder = ::open(top.constData(), O_RDONLY | O_DIRECTORY);
    for (int level = 0; level < depth; ++level) {
        ASSERT_EQ(::mkdirat(folder, "d", 0755), 0);
        const int below = ::openat(folder, "d", O_RDONLY | O_DIRECTORY);
        ::close(folder);
        folder = below;
    }
    ::close(::openat(folder, "bottom.txt", O_WRONLY | O_CREAT, 0644));
    ::close(folder);
}

QByteArray sortedLines(const QByteArray& text)
{
    QList<QByteArray> lines = text.split('\n');
    std::sort(lines.begin(), lines.end());
    return lines.join('\n');
}

Outcome find(const QList<QByteArray>& arguments)
{
    return ferrowax(arguments, Launch{.program = "/usr/bin/find"});
}


// A chain deeper than any stack holds, and a tree with more levels than
// the process may open descriptors, each holding wide levels: every file is
// listed, as find lists it.
TEST(CommandLine, ListWalksAnyDepthAndWidthWithinTheDescriptorLimit)
{
    TempTree tree;
    tree.folder("scratch");
    const TmpfsMount scratch(qint64{512} << 20, tree.path("scratch"));
#if defined(__SANITIZE_ADDRESS__)
    constexpr int depth = 4'000; // the sanitizer's frames are larger
#else
    constexpr int depth = 25'000;
#endif
    makeChain(tree.path("scratch/chain"), depth);
    const Outcome chain = listTxt(tree.path("scratch/chain"));
    // Deeper than the tree's own removal can reach; rm climbs back up.
    if (!scratch.mounted()) {
        EXPECT_EQ(std::system(("rm -rf " + tree.path("scratch/chain")).constData()), 0);
    }
    EXPECT_EQ(chain.exitCode, 1);
    // The bottom folder was reached: its file's path is too long to list.
    EXPECT_EQ(chain.errors.count('\n'), 1);
    EXPECT_EQ(chain.errors.count("/d"), depth) << chain.errors.left(300).constData();
    EXPECT_TRUE(chain.out.isEmpty());

    // Sixty-two folders a level, seventy levels below the first of them;
    // and two subfolders a folder, ten levels, where each time a folder's
    // last subfolder is taken a reader climbs back to a folder above, and
    // that climb must not take the descriptor a reader short of them needs.
    const QByteArray names = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QByteArray level = "scratch/wide";
    for (int depthNow = 0; depthNow < 70; ++depthNow, level += "/a") {
        for (const char name : names)
            tree.file(level + '/' + name + "/x.txt");
    }
    for (int leaf = 0; leaf < 1024; ++leaf) {
        QByteArray path = "scratch/halves";
        for (int depthNow = 0; depthNow < 10; ++depthNow)
            path += ((leaf >> depthNow) & 1) != 0 ? "/b" : "/a";
        tree.file(path + "/x.txt");
    }
    const Outcome wide = find({tree.path("scratch/wide"), "-name", "*.txt"});
    const Outcome halves = find({tree.path("scratch/halves"), "-name", "*.txt"});
    ASSERT_EQ(wide.out.count('\n'), 70 * names.size());
    ASSERT_EQ(halves.out.count('\n'), 1024);
    // With two descriptors besides the standard ones, the readers take
    // turns with what there is; with one, a subfolder cannot be opened at
    // all: reported, not waited for.
    const struct {
        const char* tree;
        rlim_t limit;
        QByteArray out;
        QByteArray error = {};
    } rows[] = {
        {"wide", 32, wide.out},
    // The sanitizer's checks of memory open a pipe each, which fails with
    // the descriptors all taken, so it is not run out of them.
#if !defined(__SANITIZE_ADDRESS__)
        // Readers taking turns race one another: a few tries catch a lost one.
        {"wide", 5, wide.out},
        {"wide", 5, wide.out},
        {"wide", 5, wide.out},
        {"wide", 5, wide.out},
        {"halves", 5, halves.out},
        {"wide", 4, {}, ": Too many open files (in "},
#endif
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.tree + std::to_string(row.limit));
        const Outcome listed = listTxt(tree.path("scratch/") + row.tree, {}, Launch{.descriptorLimit = row.limit});
        EXPECT_EQ(listed.exitCode, row.error.isEmpty() ? 0 : 1) << listed.errors.left(300).constData();
        if (row.error.isEmpty())
            EXPECT_EQ(sortedLines(listed.out), sortedLines(row.out));
        else
            EXPECT_TRUE(listed.errors.contains(row.error)) << listed.errors.left(300).constData();
    }
}

// Each option gives find's answer on the same tree (as a set: Ferrowax
// keeps its own order), and what is left out is never read.
TEST(CommandLine, ListLeavesOutAndIgnoresCaseAsFindDoes)
{
    TempTree tree;
    for (const char* name : {"top.txt", "node_modules/a.txt", "src/node_modules/b.txt", "src/c.txt", ".git/d.txt",
             "src/.cache/e.txt", "build/cache-1/f.txt", "keep/skip/g.txt", "keep/skipped/h.txt", "up.TXT",
             "src/mixed.Txt", "x.\xc3\x89T\xc3\x89", "y.\xc3\xa9t\xc3\xa9", "z.\xc9t\xc9", "w.TX", "v.\xc3\x89T*"})
        tree.file(name);
    const struct {
        QList<QByteArray> options;
        QList<QByteArray> findExpression;
    } rows[] = {
        // A wildcard matches a leading full stop too: *cache* leaves out .cache.
        {{"--ext", "txt", "--exclude", "node_modules", "--exclude", ".g*", "--exclude", "*cache*", "--exclude",
             tree.path("keep/skip")},
            {"-mindepth", "1", "-type", "d", "(", "-name", "node_modules", "-o", "-name", ".g*", "-o", "-name",
                "*cache*", "-o", "-path", tree.path("keep/skip"), ")", "-prune", "-o", "-type", "f", "-name", "*.txt",
                "-print"}},
        {{"--ext", "txt", "--ignore-case"}, {"-type", "f", "-iname", "*.txt"}},
        {{"--ext", "\xc3\xa9t\xc3\xa9", "--ignore-case"}, {"-type", "f", "-iname", "*.\xc3\xa9t\xc3\xa9"}},
        // The whole extension, and no character of it a wildcard.
        {{"--ext", "tx", "--ext", "\xc3\xa9t*", "--ignore-case"},
            {"-type", "f", "(", "-iname", "*.tx", "-o", "-iname", "*.\xc3\xa9t\\*", ")"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.options.join(' ').toStdString());
        const Outcome listed = ferrowax(QList<QByteArray>{"--list", "--folder", tree.path()} + row.options);
        EXPECT_EQ(listed.exitCode, 0) << listed.errors.constData();
        const Outcome found = find(QList<QByteArray>{tree.path()} + row.findExpression);
        EXPECT_FALSE(found.out.isEmpty());
        EXPECT_EQ(sortedLines(listed.out), sortedLines(found.out));
    }

    // A path is from the current folder; a folder that does not exist is
    // left out of nothing.
    const Outcome relative = ferrowax({"--list", "--folder", ".", "--ext", "txt", "--exclude", "./src", "--exclude",
                                          "keep/skip/", "--exclude", "/nowhere/x"},
        Launch{.workingFolder = tree.path()});
    EXPECT_EQ(sortedLines(relative.out),
        sortedLines(tree.path("top.txt") + '\n' + tree.path("node_modules/a.txt") + '\n' + tree.path(".git/d.txt")
            + '\n' + tree.path("build/cache-1/f.txt") + '\n' + tree.path("keep/skipped/h.txt") + '\n'));
}

// A file system mounted inside the tree is not entered, as find -xdev does.
TEST(CommandLine, ListStaysOnOneFileSystem)
{
    TempTree tree;
    tree.file("a.txt");
    tree.file("sub/b.txt");
    tree.folder("sub/mounted");
    const TmpfsMount mounted(1 << 20, tree.path("sub/mounted"));
    if (!mounted.mounted())
        GTEST_SKIP() << mounted.whyNot().toStdString();
    tree.file("sub/mounted/c.txt");
    tree.file("sub/mounted/inner/d.txt");
    const Outcome listed = listTxt(tree.path(), {"--one-file-system"});
    const Outcome found = find({tree.path(), "-xdev", "-type", "f", "-name", "*.txt"});
    const Outcome everything = listTxt(tree.path());
    const Outcome inside = listTxt(tree.path("sub/mounted"), {"--one-file-system"});
    EXPECT_EQ(listed.exitCode, 0) << listed.errors.constData();
    EXPECT_EQ(sortedLines(listed.out), sortedLines(found.out));
    EXPECT_EQ(listed.out.count('\n'), 2);
    EXPECT_EQ(everything.out.count('\n'), 4);
    // The folder named is always walked, on whatever it lies.
    EXPECT_EQ(inside.out.count('\n'), 2);
}

} // namespace
