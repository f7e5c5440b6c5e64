#include "folder_picker.h"

#include "desktop_services/dialogs.h"
#include "walk_engine/file_system.h"

#include <QDir>
#include <QFile>

namespace ferrowax {

namespace {
bool isFolder(const FileSystem& fileSystem, const QString& path)
{
    if (path.isEmpty())
        return false;
    try {
        fileSystem.getFolder(QFile::encodeName(path));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}
} // namespace

QString PickFolder(Dialogs& dialogs, const FileSystem& fileSystem, const QString& prompt, const QString& initialFolder)
{
    const QString start = isFolder(fileSystem, initialFolder) ? initialFolder : QString();
    const QString picked = dialogs.pickFolder(prompt, start);
    if (!isFolder(fileSystem, picked))
        return {};
    return QDir::cleanPath(picked);
}

} // namespace ferrowax
