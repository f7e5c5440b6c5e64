#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace ferrowax {

// Whether a file's extension is the one wanted: the same bytes, or with
// `ignoreCase` the same text whatever the letter case of either side, as
// the C library folds it in the current locale (names that are not text
// in it fold their ASCII letters only).
bool extensionMatches(const QByteArray& wanted, QByteArrayView extension, bool ignoreCase);

} // namespace ferrowax
