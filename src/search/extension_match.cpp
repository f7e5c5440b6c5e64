#include "extension_match.h"

#include "os/ascii.h"

#include <fnmatch.h>

namespace ferrowax {

namespace {

// A pattern that matches `text` alone: its wildcard characters escaped.
QByteArray literalPattern(QByteArrayView text)
{
    QByteArray pattern;
    pattern.reserve(text.size() * 2);
    for (const char c : text) {
        if (c == '*' || c == '?' || c == '[' || c == '\\')
            pattern.append('\\');
        pattern.append(c);
    }
    return pattern;
}

} // namespace

bool extensionMatches(const QByteArray& wanted, QByteArrayView extension, bool ignoreCase)
{
    if (!ignoreCase)
        return wanted == extension;
    if (isAscii(wanted) && isAscii(extension))
        return wanted.size() == extension.size() && qstrnicmp(wanted.constData(), extension.data(), wanted.size()) == 0;
    // fnmatch folds as find -iname does, multibyte characters included.
    return ::fnmatch(literalPattern(wanted).constData(), extension.toByteArray().constData(), FNM_CASEFOLD) == 0;
}

} // namespace ferrowax
