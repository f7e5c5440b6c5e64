#include "support/form_harness.h"

#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace ferrowax;
using namespace ferrowax::testing;

namespace {

// The laptop's screen beside the large one gives a window too wide for it
// at 1.5: it narrows to the screen and scrolls; back on the large screen
// it has its designed size again.
TEST(ScreenFit, OnAScreenTooSmallTheWindowNarrowsAndItsContentsScroll)
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

    h.form.move(QPoint(100, 100));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return h.form.size() == QSize(1064, 392) && !area->horizontalScrollBar()->isVisible(); }, 5000));
}

} // namespace
