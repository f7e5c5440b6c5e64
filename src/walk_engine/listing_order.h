#pragma once

#include <QByteArrayView>

#include <vector>

namespace ferrowax {

// Names ascending, compared case-insensitively (Unicode case folding), ties
// broken by the raw bytes, so listings are deterministic and read the way
// users expect.
void sortForListing(std::vector<QByteArrayView>& names);

} // namespace ferrowax
