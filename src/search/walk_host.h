#pragma once

#include <QByteArray>
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
    virtual bool stopRequested() const = 0;
    virtual void setProgressText(const QString& text) = 0;
    virtual void appendResult(const QByteArray& path) = 0;
    virtual void scrollResultsToEnd() = 0;
};

} // namespace ferrowax
