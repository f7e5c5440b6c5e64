#pragma once

#include "desktop_launcher.h"

#include <QDBusConnection>
#include <QProcessEnvironment>

namespace ferrowax {

class IoService;

// Files open the freedesktop way: with xdg-open, and shown in the file
// manager through its org.freedesktop.FileManager1 interface on `bus`.
// The disk and the programs started are reached through `io`, the file
// manager asynchronously: the window handles its events meanwhile.
class QtDesktopLauncher final : public DesktopLauncher {
public:
    explicit QtDesktopLauncher(IoService& io,
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment(),
        QDBusConnection bus = QDBusConnection::sessionBus());

    void openUrl(const QUrl& url) override;
    void openFiles(const std::vector<QByteArray>& paths) override;
    void showInFolder(const QByteArray& path) override;

private:
    QString opener() const;
    bool fileManagerShows(const QByteArray& path);

    IoService& io_;
    QProcessEnvironment environment_;
    QDBusConnection bus_;
};

} // namespace ferrowax
