#include "platform/cursor_file.h"
#include "platform/failure.h"
#include "support/cursor_bytes.h"
#include "support/qt_printers.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace ferrowax;

namespace {

struct CursorFileTest : ::testing::Test {
    QTemporaryDir dir;
    QString write(const QByteArray& bytes)
    {
        const QString path = dir.filePath(u"HAND-M.CUR"_s);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
};

TEST_F(CursorFileTest, LoadsPictureAndHotSpot)
{
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::red);
    const QCursor cursor = loadCursorFile(write(ferrowax::testing::cursorFileBytes(image, {9, 2})));
    EXPECT_EQ(cursor.hotSpot(), QPoint(9, 2));
    EXPECT_EQ(cursor.pixmap().size(), QSize(32, 32));
    EXPECT_EQ(cursor.pixmap().toImage().pixelColor(16, 16), QColor(Qt::red));
}

TEST_F(CursorFileTest, FilesThatAreNoCursorFail)
{
    EXPECT_THROW(loadCursorFile(dir.filePath(u"absent.cur"_s)), Failure);
    EXPECT_THROW(loadCursorFile(write("not a cursor at all")), Failure);
    QByteArray truncated = ferrowax::testing::cursorFileBytes(QImage(32, 32, QImage::Format_ARGB32), {0, 0});
    truncated.truncate(40);
    EXPECT_THROW(loadCursorFile(write(truncated)), Failure);
}

} // namespace
