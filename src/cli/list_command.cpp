#include "list_command.h"

#include "command_line.h"
#include "line_dialogs.h"
#include "os/event_pump.h"
#include "walk_engine/file_system.h"
#include "search/search_in_files.h"
#include "search/walk_host.h"

#include <QDir>

namespace ferrowax {

namespace {

class PrintingWalkHost final : public WalkHost {
public:
    PrintingWalkHost(const FileSystem& fileSystem, EventPump& eventPump, std::FILE* out, std::FILE* errors,
        char separator, bool ignoreCase)
        : fileSystem_(fileSystem)
        , eventPump_(eventPump)
        , dialogs_(errors, [this] { flush(); })
        , out_(out)
        , separator_(separator)
        , ignoreCase_(ignoreCase)
    {
        pending_.reserve(2 * blockSize);
    }

    int boxes() const { return dialogs_.linesWritten(); }

    const FileSystem& fileSystem() override { return fileSystem_; }
    Dialogs& dialogs() override { return dialogs_; }
    void yield() override {}
    void yieldWhileReading() override { eventPump_.yieldUntilWoken(); }
    bool stopRequested() const override { return false; }
    bool extensionsIgnoreCase() const override { return ignoreCase_; }
    bool warnsOfUnlistedNames() const override { return false; }
    void setProgressText(const QString&) override {}
    bool showsProgress() const override { return false; }
    void appendResult(QByteArrayView folderPart, QByteArrayView name) override
    {
        pending_.append(folderPart).append(name).append(separator_);
        if (pending_.size() >= blockSize)
            flush();
    }
    void scrollResultsToEnd() override {}

    // Answers whether all that was printed went out.
    bool flush()
    {
        std::fwrite(pending_.constData(), 1, static_cast<std::size_t>(pending_.size()), out_);
        pending_.truncate(0);
        return std::fflush(out_) == 0 && std::ferror(out_) == 0;
    }

private:
    // Few writes, as find makes them, rather than one a line.
    static constexpr qsizetype blockSize = 64 * 1024;

    const FileSystem& fileSystem_;
    EventPump& eventPump_;
    LineDialogs dialogs_;
    std::FILE* out_;
    QByteArray pending_;
    char separator_;
    bool ignoreCase_;
};

// The folder picker gives the window absolute, clean paths; so does this.
// Each byte is one Latin-1 character while the path is cleaned, so that
// names that are not UTF-8 keep their bytes.
QByteArray asPicked(const QByteArray& folder)
{
    const QByteArray absolute = folder.startsWith('/') ? folder : joinPath(currentFolderPath(), folder);
    return QDir::cleanPath(QString::fromLatin1(absolute)).toLatin1();
}

} // namespace

WalkLimits walkLimitsOf(const Invocation& invocation)
{
    WalkLimits limits;
    for (const QByteArray& pattern : invocation.excluded) {
        if (pattern.contains('/'))
            limits.excludedPaths.push_back(asPicked(pattern));
        else
            limits.excludedNames.push_back(pattern);
    }
    limits.oneFileSystem = invocation.oneFileSystem;
    return limits;
}

int listMatches(const Invocation& invocation, const FileSystem& fileSystem, EventPump& eventPump, std::FILE* out,
    std::FILE* errors)
{
    const QList<QByteArray>& folders = invocation.folders;
    const QList<QByteArray>& extensions = invocation.extensions;
    PrintingWalkHost host(
        fileSystem, eventPump, out, errors, invocation.nulSeparated ? '\0' : '\n', invocation.ignoreCase);
    const ExtensionArray extensionArray(extensions.begin(), extensions.end());
    const int includeSubfolders = 1;
    for (const QByteArray& folder : folders) {
        const QByteArray path = asPicked(folder);
        fileSystem.readAheadFrom(path);
        searchInFiles(path, extensionArray, includeSubfolders, host);
    }
    const bool written = host.flush();
    if (!written)
        std::fputs("ferrowax: the paths could not all be written out\n", errors);
    return host.boxes() == 0 && written ? 0 : 1;
}

} // namespace ferrowax
