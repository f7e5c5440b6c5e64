#pragma once

#include "clipboard.h"

namespace ferrowax {

class QtClipboard final : public Clipboard {
public:
    void clear() override;
    void setText(const QString& text) override;
};

} // namespace ferrowax
