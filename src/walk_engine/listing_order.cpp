#include "listing_order.h"

#include "os/ascii.h"

#include <QString>
#include <QtEndian>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace ferrowax {

namespace {

char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The same order as comparing the lowered names, without making them.
bool asciiListingLess(QByteArrayView a, QByteArrayView b)
{
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < common; ++i) {
        const char x = asciiLower(a[i]);
        const char y = asciiLower(b[i]);
        if (x != y)
            return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return std::memcmp(a.data(), b.data(), static_cast<std::size_t>(a.size())) < 0;
}

// The first sixteen lowered bytes as two numbers, so that most comparisons in
// a sort are integer comparisons. Names hold no NUL, so padding with zeros
// keeps shorter names first.
struct AsciiKey {
    std::uint64_t high;
    std::uint64_t low;
    QByteArrayView name;
};

// Lowers eight ASCII bytes at once and orders them for integer comparison.
std::uint64_t loweredBigEndian(std::uint64_t bytes)
{
    constexpr std::uint64_t ones = 0x0101010101010101ULL;
    constexpr std::uint64_t highBits = 0x8080808080808080ULL;
    const std::uint64_t atLeastA = (bytes + (0x80 - 'A') * ones) & highBits;
    const std::uint64_t aboveZ = (bytes + (0x80 - 'Z' - 1) * ones) & highBits;
    const std::uint64_t upper = atLeastA & ~aboveZ;
    return qFromBigEndian(bytes | (upper >> 2));
}

AsciiKey keyOf(QByteArrayView name)
{
    std::uint64_t halves[2] = {0, 0};
    std::memcpy(halves, name.data(), static_cast<std::size_t>(std::min<qsizetype>(name.size(), 16)));
    return {loweredBigEndian(halves[0]), loweredBigEndian(halves[1]), name};
}

void sortAscii(std::vector<QByteArrayView>& names)
{
    // Kept between calls, but for a very large one's.
    thread_local std::vector<AsciiKey> keys;
    if (keys.capacity() > 4096)
        keys = {};
    keys.clear();
    for (const QByteArrayView name : names)
        keys.push_back(keyOf(name));
    std::sort(keys.begin(), keys.end(), [](const AsciiKey& a, const AsciiKey& b) {
        if (a.high != b.high)
            return a.high < b.high;
        if (a.low != b.low)
            return a.low < b.low;
        return asciiListingLess(a.name, b.name);
    });
    for (std::size_t i = 0; i < keys.size(); ++i)
        names[i] = keys[i].name;
}

// Beyond ASCII, names are compared by their Unicode case folding.
void sortFolded(std::vector<QByteArrayView>& names)
{
    struct Keyed {
        QByteArray key;
        QByteArrayView name;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(names.size());
    for (const QByteArrayView name : names)
        keyed.push_back({QString::fromUtf8(name).toCaseFolded().toUtf8(), name});
    std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        if (const int order = a.key.compare(b.key); order != 0)
            return order < 0;
        return a.name.compare(b.name) < 0;
    });
    for (std::size_t i = 0; i < keyed.size(); ++i)
        names[i] = keyed[i].name;
}

} // namespace

void sortForListing(std::vector<QByteArrayView>& names)
{
    if (std::all_of(names.begin(), names.end(), isAscii))
        sortAscii(names);
    else
        sortFolded(names);
}

} // namespace ferrowax
