#include "listing_order.h"

#include <QString>

#include <algorithm>

namespace ferrowax {

namespace {

bool isAscii(const QByteArray& bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Folding ASCII by hand avoids decoding the common case.
QByteArray foldedKey(const QByteArray& name)
{
    if (isAscii(name))
        return name.toLower();
    return QString::fromUtf8(name).toCaseFolded().toUtf8();
}

} // namespace

void sortForListing(std::vector<QByteArray>& names)
{
    struct Keyed {
        QByteArray key;
        QByteArray name;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(names.size());
    for (QByteArray& name : names)
        keyed.push_back({foldedKey(name), std::move(name)});
    std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        if (const int order = a.key.compare(b.key); order != 0)
            return order < 0;
        return a.name < b.name;
    });
    for (std::size_t i = 0; i < keyed.size(); ++i)
        names[i] = std::move(keyed[i].name);
}

} // namespace ferrowax
