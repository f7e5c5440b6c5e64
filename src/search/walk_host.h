#pragma once

#include <QByteArrayView>
#include <QString>

namespace ferrowax {

class Dialogs;
class FileSystem;

// All the folder walk needs from the program around it.
class WalkHost {
public:
    virtual ~WalkHost() = default;

    virtual const FileSystem& fileSystem() = 0;
    // Shows the namesTooLong message and the error reports.
    virtual Dialogs& dialogs() = 0;
    virtual void yield() = 0;
    // While a folder is read on another thread: handles events until the
    // file system wakes the walk, or a command such as Stop ran.
    virtual void yieldWhileReading() = 0;
    virtual bool stopRequested() const = 0;
    // Whether an extension matches whatever its letter case; the window's
    // search matches exactly.
    virtual bool extensionsIgnoreCase() const { return false; }
    // Whether a folder whose names cannot be listed is said to hold names too
    // long, as the window says. Where not, the failure to list it, which the
    // walk reports later, names the folder once.
    virtual bool warnsOfUnlistedNames() const { return true; }
    virtual void setProgressText(const QString& text) = 0;
    // False where nothing shows the progress text, so that it is not made.
    virtual bool showsProgress() const { return true; }
    // A result is the folder part of a file's path (ending in a separator)
    // followed by its name.
    virtual void appendResult(QByteArrayView folderPart, QByteArrayView name) = 0;
    virtual void scrollResultsToEnd() = 0;
};

} // namespace ferrowax
