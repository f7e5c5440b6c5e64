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
#include <optional>

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

const QString& found(const QString& opener)
{
    if (opener.isEmpty())
        throw Failure(u"xdg-open cannot be found"_s);
    return opener;
}

// The file and the PATH lie on disks that a stalled mount never answers.
template <class Call>
auto answered(IoService& io, Call call)
{
    try {
        return io.run(std::move(call), fileSystemPatience);
    } catch (const NoAnswer&) {
        throw Failure(u"The file system of the file does not answer"_s);
    }
}

void lookFor(IoService& io, const QByteArray& path)
{
    answered(io, [path] { requirePresent(path); });
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

QString QtDesktopLauncher::opener() const
{
    return answered(io_, [environment = environment_] { return findProgram(u"xdg-open"_s, environment); });
}

// The files before the first that is gone are opened, as if one by one.
void QtDesktopLauncher::openFiles(const std::vector<QByteArray>& paths)
{
    if (paths.empty())
        return;
    const QString program = found(opener());
    std::vector<QStringList> urls;
    std::optional<Failure> gone;
    for (const QByteArray& path : paths) {
        try {
            lookFor(io_, path);
        } catch (const Failure& failure) {
            gone = failure;
            break;
        }
        urls.push_back({QString::fromLatin1(fileUrlOf(path))});
    }
    startEachWatched(io_, program, urls, environment_, watchMilliseconds);
    if (gone)
        throw *gone;
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
    lookFor(io_, path);
    const QString program = opener();
    // No file manager shows it: the folder, at least.
    if (!fileManagerShows(path))
        startWatched(io_, found(program), {QString::fromLatin1(fileUrlOf(folderOf(path)))}, environment_,
            watchMilliseconds);
}

} // namespace ferrowax
