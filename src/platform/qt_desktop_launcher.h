#pragma once

#include "desktop_launcher.h"

#include <QProcessEnvironment>

namespace ferrowax {

// Files open the freedesktop way: with xdg-open, and shown in the file
// manager through its org.freedesktop.FileManager1 interface.
class QtDesktopLauncher final : public DesktopLauncher {
public:
    explicit QtDesktopLauncher(QProcessEnvironment environment = QProcessEnvironment::systemEnvironment());

    void openUrl(const QUrl& url) override;
    void openFile(const QByteArray& path) override;
    void showInFolder(const QByteArray& path) override;

private:
    void startOpener(const QByteArray& url);

    QProcessEnvironment environment_;
};

} // namespace ferrowax
