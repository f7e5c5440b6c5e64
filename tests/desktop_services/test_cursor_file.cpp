#include "desktop_services/cursor_file.h"
#include "os/failure.h"
#include "support/cursor_bytes.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

using namespace ferrowax;

namespace {

TEST(CursorFile, LoadsPictureAndHotSpot)
{
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::red);
    const QCursor cursor = cursorFromFile(ferrowax::testing::cursorFileBytes(image, {9, 2}));
    EXPECT_EQ(cursor.hotSpot(), QPoint(9, 2));
    EXPECT_EQ(cursor.pixmap().size(), QSize(32, 32));
    EXPECT_EQ(cursor.pixmap().toImage().pixelColor(16, 16), QColor(Qt::red));
}

TEST(CursorFile, BytesThatAreNoCursorFail)
{
    EXPECT_THROW(cursorFromFile("not a cursor at all"), Failure);
    QByteArray truncated = ferrowax::testing::cursorFileBytes(QImage(32, 32, QImage::Format_ARGB32), {0, 0});
    truncated.truncate(40);
    EXPECT_THROW(cursorFromFile(truncated), Failure);
}

} // namespace
