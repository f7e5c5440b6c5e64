#include "cursor_file.h"

#include "os/failure.h"

#include <QImage>
#include <QPixmap>
#include <QtEndian>

using namespace Qt::StringLiterals;

namespace ferrowax {

namespace {
// Header: reserved, type (2 for cursors), image count; then 16-byte entries
// whose fields 4 and 6 hold the hot spot.
constexpr qsizetype headerSize = 6;
constexpr qsizetype entrySize = 16;
constexpr quint16 cursorType = 2;
} // namespace

QCursor cursorFromFile(const QByteArray& bytes)
{
    const auto word = [&](qsizetype offset) { return qFromLittleEndian<quint16>(bytes.constData() + offset); };
    if (bytes.size() < headerSize + entrySize || word(0) != 0 || word(2) != cursorType || word(4) == 0)
        throw Failure(u"Invalid picture"_s);
    QImage image;
    if (!image.loadFromData(bytes, "CUR") && !image.loadFromData(bytes, "ICO"))
        throw Failure(u"Invalid picture"_s);
    return QCursor(QPixmap::fromImage(image), word(headerSize + 4), word(headerSize + 6));
}

} // namespace ferrowax
