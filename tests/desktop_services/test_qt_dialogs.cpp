#include "desktop_services/qt_dialogs.h"
#include "support/qt_printers.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace ferrowax;

namespace {

// Acts on the modal box once it is up, as a user would.
void whenModal(std::function<void(QWidget*)> act)
{
    QTimer::singleShot(0, [act = std::move(act)] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        act(modal);
    });
}

struct QtDialogsTest : ::testing::Test {
    QWidget owner;
    QtDialogs dialogs;
    QtDialogsTest()
    {
        dialogs.setOwner(&owner);
        dialogs.setApplicationTitle(u"Ferrowax"_s);
    }
};

TEST_F(QtDialogsTest, QuestionWearsTheApplicationTitleAndAnswersYesOrNo)
{
    QString caption;
    QString text;
    whenModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        caption = box->windowTitle();
        text = box->text();
        EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
        box->button(QMessageBox::Yes)->click();
    });
    EXPECT_EQ(dialogs.messageBox(u"Overwrite?\r\nReally?"_s, 4), Answer::Yes);
    EXPECT_EQ(caption, u"Ferrowax"_s);
    EXPECT_EQ(text, u"Overwrite?\nReally?"_s);

    whenModal([](QWidget* modal) { qobject_cast<QMessageBox*>(modal)->button(QMessageBox::No)->click(); });
    EXPECT_EQ(dialogs.messageBox(u"Again?"_s, 4), Answer::No);
}

TEST_F(QtDialogsTest, ErrorReportShowsItsOwnTitleWithAWarningIcon)
{
    QString caption;
    QString text;
    whenModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        caption = box->windowTitle();
        text = box->text();
        EXPECT_EQ(box->icon(), QMessageBox::Warning);
        EXPECT_EQ(box->buttons().size(), 1);
        box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(dialogs.messageBox(u"failed\r\nin X at line 100\r\rPlease email"_s, 48, u"Application Error"_s), Answer::Ok);
    EXPECT_EQ(caption, u"Application Error"_s);
    EXPECT_EQ(text, u"failed\nin X at line 100\n\nPlease email"_s);
}

TEST_F(QtDialogsTest, InputBoxAnswersTheTextOrNothingOnCancel)
{
    whenModal([](QWidget* modal) {
        auto* input = qobject_cast<QInputDialog*>(modal);
        ASSERT_NE(input, nullptr);
        EXPECT_EQ(input->labelText(), u"Add extension: "_s);
        EXPECT_EQ(input->windowTitle(), u"Ferrowax"_s);
        input->setTextValue(u" jpg "_s);
        input->accept();
    });
    EXPECT_EQ(dialogs.inputBox(u"Add extension: "_s), u" jpg "_s);

    whenModal([](QWidget* modal) {
        qobject_cast<QInputDialog*>(modal)->setTextValue(u"typed"_s);
        qobject_cast<QInputDialog*>(modal)->reject();
    });
    EXPECT_EQ(dialogs.inputBox(u"Add extension: "_s), QString());
}

// Opens the folder picker, and the save dialog, at the folder the parent
// named and closes each once it has had time to show the folder. Run as a
// child of the test below, so that a dialog that blocks fails the test
// instead of stalling it.
void openDialogsAt(const QString& folder)
{
    QtDialogs dialogs;
    QDir::setCurrent(folder); // where the save dialog opens
    QElapsedTimer shown;
    shown.start();
    const auto closeSoon = [] {
        QTimer::singleShot(500, [] {
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
        });
    };
    closeSoon();
    EXPECT_EQ(dialogs.pickFolder(u"Please select folder:"_s, folder), QString());
    closeSoon();
    EXPECT_EQ(dialogs.saveFileName({u"Save"_s, {u"All Files (*.*)"_s}}), QString());
    std::printf("both dialogs closed after %lld ms\n", static_cast<long long>(shown.elapsed()));
}

// The dialogs list folders where reading a file's content waits for ever:
// /proc/kmsg, a pipe nobody writes to, a device.
TEST(QtDialogsNeverBlock, PickerAndSaveDialogShowKernelFoldersAndPipesAtOnce)
{
    if (const QString folder = qEnvironmentVariable("FERROWAX_DIALOG_FOLDER"); !folder.isEmpty()) {
        openDialogsAt(folder);
        return;
    }
    QTemporaryDir pipes;
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipes.filePath(u"pipe"_s)).constData(), 0600), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipes.filePath(u"pipe.txt"_s)).constData(), 0600), 0);
    for (const QString& folder : {pipes.path(), u"/proc"_s, u"/dev"_s}) {
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"FERROWAX_DIALOG_FOLDER"_s, folder);
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(),
            {u"--gtest_filter=QtDialogsNeverBlock.PickerAndSaveDialogShowKernelFoldersAndPipesAtOnce"_s});
        const bool finished = child.waitForFinished(10000);
        if (!finished)
            child.kill();
        const QString output = QString::fromUtf8(child.readAllStandardOutput());
        ASSERT_TRUE(finished) << "the dialogs blocked at " << folder.toStdString();
        EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
        const qsizetype at = output.indexOf(u"closed after "_s);
        ASSERT_GE(at, 0) << output.toStdString();
        // Two dialogs of half a second each, and time to start.
        EXPECT_LT(output.mid(at + 13).section(u' ', 0, 0).toInt(), 2000) << folder.toStdString();
    }
}

} // namespace
