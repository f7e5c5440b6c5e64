#pragma once

#include <QByteArrayView>

namespace ferrowax {

// Bytes below 0x80 only: such text folds and sorts by plain byte rules.
inline bool isAscii(QByteArrayView bytes)
{
    unsigned char seen = 0;
    for (const char c : bytes)
        seen |= static_cast<unsigned char>(c);
    return seen < 0x80;
}

} // namespace ferrowax
