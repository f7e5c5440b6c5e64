#pragma once

#include <QString>

namespace ferrowax {

// The desktop's clipboard, plain text only. Either call may fail while
// another program holds the clipboard.
class Clipboard {
public:
    virtual ~Clipboard() = default;
    virtual void clear() = 0;
    virtual void setText(const QString& text) = 0;
};

} // namespace ferrowax
