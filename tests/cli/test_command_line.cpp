#include "support/qt_printers.h"
#include "support/temp_tree.h"

#include <QProcess>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using ferrowax::testing::TempTree;

namespace {

struct Outcome {
    int exitCode = -1;
    QByteArray out;
    QByteArray errors;
};

// The real program, as a terminal starts it, with no display at all.
Outcome ferrowax(const QList<QByteArray>& arguments, const QByteArray& workingFolder = {})
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& name : {u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s})
        environment.remove(name);
    QProcess process;
    process.setProcessEnvironment(environment);
    QStringList texts;
    for (const QByteArray& argument : arguments)
        texts.append(QString::fromUtf8(argument));
    process.setProgram(QStringLiteral(PROGRAM));
    if (!workingFolder.isEmpty())
        process.setWorkingDirectory(QString::fromUtf8(workingFolder));
    process.setArguments(texts);
    process.start();
    Outcome run;
    if (!process.waitForFinished(30000)) {
        ADD_FAILURE() << "ferrowax did not finish";
        process.kill();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -process.exitCode();
    run.out = process.readAllStandardOutput();
    run.errors = process.readAllStandardError();
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

    for (const QList<QByteArray>& mistaken : {QList<QByteArray>{"--frobnicate"}, QList<QByteArray>{"photos"},
             QList<QByteArray>{"--ext", "jpg"}}) {
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

    const Outcome nothing = ferrowax({"--list", "--folder", tree.path()});
    EXPECT_EQ(nothing.exitCode, 1);
    EXPECT_EQ(nothing.errors, "ferrowax: No extensions added.\n");
}

} // namespace
