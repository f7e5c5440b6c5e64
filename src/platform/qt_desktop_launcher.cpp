#include "qt_desktop_launcher.h"

#include <QDesktopServices>

namespace ferrowax {

void QtDesktopLauncher::openUrl(const QUrl& url)
{
    // Like the shell call it stands in for, the result is not looked at.
    QDesktopServices::openUrl(url);
}

} // namespace ferrowax
