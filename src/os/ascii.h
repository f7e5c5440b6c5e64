#pragma once

#include <QByteArrayView>

#include <cstdint>
#include <cstring>

namespace ferrowax {

// Bytes below 0x80 only: such text folds and sorts by plain byte rules.
inline bool isAscii(QByteArrayView bytes)
{
    const char* at = bytes.data();
    const char* const end = at + bytes.size();
    std::uint64_t seen = 0;
    for (; end - at >= 8; at += 8) {
        std::uint64_t eight = 0;
        std::memcpy(&eight, at, 8);
        seen |= eight;
    }
    for (; at < end; ++at)
        seen |= static_cast<unsigned char>(*at);
    return (seen & 0x8080808080808080ULL) == 0;
}

} // namespace ferrowax
