#include "qt_desktop_launcher.h"

#include "os/failure.h"
#include "os/io_service.h"
#include "os/path_parts.h"
#include "os/program_search.h"
#include "os/program_start.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QEventLoop>

#include <cerrno>
#include <chrono>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace ferrowax {

namespace {

// How long xdg-open is watched for failing at once, how long a file manager
// may take to answer, and how long the file's file system may take to say
// whether the file is there.
constexpr int watchMilliseconds = 2000;
constexpr int fileManagerMilliseconds = 2000;
constexpr std::chrono::milliseconds fileSystemPatience{5000};

void requirePresent(const QByteArray& path)
{
    struct stat status {};
    if (::stat(path.constData(), &status) != 0)
        throw Failure::fromErrno(errno);
}

void startOpener(IoService& io, const QString& opener, const QByteArray& url, const QProcessEnvironment& environment)
{
    if (opener.isEmpty())
        throw Failure(u"xdg-open cannot be found"_s);
    startWatched(io, opener, {QString::fromLatin1(url)}, environment, watchMilliseconds);
}

} // namespace

QtDesktopLauncher::QtDesktopLauncher(IoService& io, QProcessEnvironment environment, QDBusConnection bus)
    : io_(io)
    , environment_(std::move(environment))
    , bus_(std::move(bus))
{
}

void QtDesktopLauncher::openUrl(const QUrl& url)
{
    // Like the shell call it stands in for, the result is not looked at.
    QDesktopServices::openUrl(url);
}

// Both look at the disk, which a stalled mount (or one in the PATH) never
// answers.
QString QtDesktopLauncher::openerForPresent(const QByteArray& path) const
{
    try {
        return io_.run(
            [path, environment = environment_] {
                requirePresent(path);
                return findProgram(u"xdg-open"_s, environment);
            },
            fileSystemPatience);
    } catch (const NoAnswer&) {
        throw Failure(u"The file system of the file does not answer"_s);
    }
}

void QtDesktopLauncher::openFile(const QByteArray& path)
{
    startOpener(io_, openerForPresent(path), fileUrlOf(path), environment_);
}

bool QtDesktopLauncher::fileManagerShows(const QByteArray& path)
{
    QDBusMessage call = QDBusMessage::createMethodCall(u"org.freedesktop.FileManager1"_s,
        u"/org/freedesktop/FileManager1"_s, u"org.freedesktop.FileManager1"_s, u"ShowItems"_s);
    call << QStringList{QString::fromLatin1(fileUrlOf(path))} << QString();
    // A file manager that never answers ends the call with an error once
    // the time is up.
    QDBusPendingCallWatcher answer(bus_.asyncCall(call, fileManagerMilliseconds));
    QEventLoop waiting;
    QObject::connect(&answer, &QDBusPendingCallWatcher::finished, &waiting, &QEventLoop::quit);
    if (!answer.isFinished())
        waiting.exec();
    return !answer.isError();
}

void QtDesktopLauncher::showInFolder(const QByteArray& path)
{
    const QString opener = openerForPresent(path);
    // No file manager shows it: the folder, at least.
    if (!fileManagerShows(path))
        startOpener(io_, opener, fileUrlOf(folderOf(path)), environment_);
}

} // namespace ferrowax
