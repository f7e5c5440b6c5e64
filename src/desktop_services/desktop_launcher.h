#pragma once

#include <QByteArray>
#include <QUrl>

#include <vector>

namespace ferrowax {

// Hands an address, a folder or a found file to the desktop's own program
// for it.
class DesktopLauncher {
public:
    virtual ~DesktopLauncher() = default;
    virtual void openUrl(const QUrl& url) = 0;
    // Opens each file with the application the desktop chose for its type,
    // in order, each without waiting on the one before. Fails with the first
    // failure seen (a file that is gone, one no application takes) and
    // starts none after it.
    virtual void openFiles(const std::vector<QByteArray>& paths) = 0;
    // Shows the file in the file manager, selected where the file manager
    // can, else opens its folder. Fails when the file is gone or nothing
    // shows it.
    virtual void showInFolder(const QByteArray& path) = 0;
};

// The file: address of a path, its bytes percent-encoded, so that a name
// that is not UTF-8 still names its file.
QByteArray fileUrlOf(const QByteArray& path);

} // namespace ferrowax
