#include "support/form_harness.h"

#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace Qt::StringLiterals;
using namespace ferrowax;
using namespace ferrowax::testing;

namespace {

// Whether the whole of `widget` shows in the window's scrolled view.
bool inView(QWidget* widget)
{
    const QWidget* view = widget->window()->findChild<QScrollArea*>()->viewport();
    return view->rect().contains(QRect(widget->mapTo(view, QPoint()), widget->size()));
}

// The laptop's screen beside the large one gives a window too wide for it
// at 1.5: it narrows to the screen and scrolls, Tab brings each control
// into view, and back on the large screen it has its designed size again.
TEST(ScreenFit, OnAScreenTooSmallTheWindowNarrowsAndScrollsToEachControl)
{
    FormHarness h;
    h.start();
    h.form.show();
    QScreen* small = QGuiApplication::screens().at(1);
    auto* area = h.form.findChild<QScrollArea*>();
    const QRect designed = h.control("PushButton4")->geometry();

    h.form.move(small->availableGeometry().topLeft() + QPoint(200, 100));
    // The largest frame that fits, within the pixel that rounding to the
    // scale costs; offscreen, a frame's place rounds to two pixels.
    const QRect available = small->availableGeometry();
    const auto fitted = [&] {
        const QRect frame = h.form.frameGeometry();
        return h.form.screen() == small && area->size() == h.form.size() && frame.width() <= available.width()
            && frame.width() >= available.width() - 1 && frame.bottom() <= available.bottom()
            && std::abs(frame.left() - available.left()) <= 2;
    };
    ASSERT_TRUE(QTest::qWaitFor(fitted, 5000)) << h.form.frameGeometry().x() << " " << h.form.frameGeometry().width();
    EXPECT_EQ(h.form.minimumSize(), h.form.maximumSize());
    EXPECT_EQ(area->viewport()->height(), 392);
    EXPECT_EQ(area->horizontalScrollBar()->maximum(), 1064 - area->viewport()->width());
    EXPECT_EQ(h.control("PushButton4")->geometry(), designed);

    // The keyboard's order is the designed one.
    const QStringList order{u"ListView3"_s, u"PushButton3"_s, u"PushButton1"_s, u"PushButton8"_s, u"PushButton9"_s,
        u"PushButton11"_s, u"ListView2"_s, u"PushButton2"_s, u"PushButton6"_s, u"PushButton17"_s, u"PushButton4"_s,
        u"PushButton5"_s, u"PushButton14"_s, u"PushButton7"_s, u"PushButton10"_s};
    h.form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&h.form));
    h.control("ListView1")->setFocus(Qt::OtherFocusReason);
    QStringList reached;
    for (qsizetype press = 0; press < order.size(); ++press) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached += QApplication::focusWidget()->objectName();
        EXPECT_TRUE(inView(QApplication::focusWidget())) << reached.last().toStdString();
    }
    EXPECT_EQ(reached, order);

    h.form.move(QPoint(100, 100));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return h.form.size() == QSize(1064, 392) && !area->horizontalScrollBar()->isVisible(); }, 5000));
}

} // namespace
