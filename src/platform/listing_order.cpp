#include "listing_order.h"

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
bool asciiListingLess(const QByteArray& a, const QByteArray& b)
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
    return a < b;
}

// The first sixteen lowered bytes as two numbers, so that most comparisons in
// a sort are integer comparisons. Names hold no NUL, so padding with zeros
// keeps shorter names first.
struct AsciiKey {
    std::uint64_t high;
    std::uint64_t low;
    QByteArray* name;
};

bool isAscii(const QByteArray& bytes)
{
    unsigned char seen = 0;
    for (const char c : bytes)
        seen |= static_cast<unsigned char>(c);
    return seen < 0x80;
}

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

AsciiKey keyOf(QByteArray& name)
{
    std::uint64_t halves[2] = {0, 0};
    std::memcpy(halves, name.constData(), static_cast<std::size_t>(std::min<qsizetype>(name.size(), 16)));
    return {loweredBigEndian(halves[0]), loweredBigEndian(halves[1]), &name};
}

void sortAscii(std::vector<QByteArray>& names)
{
    std::vector<AsciiKey> keys;
    keys.reserve(names.size());
    for (QByteArray& name : names)
        keys.push_back(keyOf(name));
    std::sort(keys.begin(), keys.end(), [](const AsciiKey& a, const AsciiKey& b) {
        if (a.high != b.high)
            return a.high < b.high;
        if (a.low != b.low)
            return a.low < b.low;
        return asciiListingLess(*a.name, *b.name);
    });
    std::vector<QByteArray> sorted;
    sorted.reserve(names.size());
    for (const AsciiKey& key : keys)
        sorted.push_back(std::move(*key.name));
    names = std::move(sorted);
}

// Beyond ASCII, names are compared by their Unicode case folding.
void sortFolded(std::vector<QByteArray>& names)
{
    struct Keyed {
        QByteArray key;
        QByteArray name;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(names.size());
    for (QByteArray& name : names)
        keyed.push_back({QString::fromUtf8(name).toCaseFolded().toUtf8(), std::move(name)});
    std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        if (const int order = a.key.compare(b.key); order != 0)
            return order < 0;
        return a.name < b.name;
    });
    for (std::size_t i = 0; i < keyed.size(); ++i)
        names[i] = std::move(keyed[i].name);
}

} // namespace

void sortForListing(std::vector<QByteArray>& names)
{
    if (std::all_of(names.begin(), names.end(), isAscii))
        sortAscii(names);
    else
        sortFolded(names);
}

} // namespace ferrowax
