#pragma once

#include <QUrl>

namespace ferrowax {

// Hands an address or a folder to the desktop's own program for it.
class DesktopLauncher {
public:
    virtual ~DesktopLauncher() = default;
    virtual void openUrl(const QUrl& url) = 0;
};

} // namespace ferrowax
