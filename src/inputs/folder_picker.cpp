#include "folder_picker.h"

#include "desktop_services/dialogs.h"
#include "os/io_service.h"
#include "walk_engine/file_system.h"

#include <QDir>
#include <QFile>

namespace ferrowax {

namespace {
bool isFolder(IoService& io, const FileSystem& fileSystem, const QString& path)
{
    if (path.isEmpty())
        return false;
    try {
        io.run([&fileSystem, folder = QFile::encodeName(path)] { fileSystem.getFolder(folder); });
        return true;
    } catch (const std::exception&) {
        return false;
    }
}
} // namespace

QString PickFolder(
    Dialogs& dialogs, IoService& io, const FileSystem& fileSystem, const QString& prompt, const QString& initialFolder)
{
    const QString start = isFolder(io, fileSystem, initialFolder) ? initialFolder : QString();
    const QString picked = dialogs.pickFolder(prompt, start);
    if (!isFolder(io, fileSystem, picked))
        return {};
    return QDir::cleanPath(picked);
}

} // namespace ferrowax
