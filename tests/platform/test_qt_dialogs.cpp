#include "platform/qt_dialogs.h"
#include "support/qt_printers.h"

#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

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

} // namespace
