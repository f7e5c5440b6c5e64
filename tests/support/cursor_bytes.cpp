#include "cursor_bytes.h"

#include <QBuffer>
#include <QImageWriter>
#include <QtEndian>

namespace ferrowax::testing {

QByteArray cursorFileBytes(const QImage& image, QPoint hotSpot)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "ico").write(image);
    qToLittleEndian<quint16>(2, bytes.data() + 2);
    qToLittleEndian<quint16>(static_cast<quint16>(hotSpot.x()), bytes.data() + 10);
    qToLittleEndian<quint16>(static_cast<quint16>(hotSpot.y()), bytes.data() + 12);
    return bytes;
}

} // namespace ferrowax::testing
