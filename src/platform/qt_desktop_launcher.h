#pragma once

#include "desktop_launcher.h"

namespace ferrowax {

class QtDesktopLauncher final : public DesktopLauncher {
public:
    void openUrl(const QUrl& url) override;
};

} // namespace ferrowax
