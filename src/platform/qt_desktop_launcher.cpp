#include "qt_desktop_launcher.h"

#include "failure.h"
#include "off_thread.h"
#include "path_parts.h"
#include "program_search.h"
#include "program_start.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QEventLoop>

#include <cerrno>
#include <memory>
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
constexpr int fileSystemMilliseconds = 5000;

void requirePresent(const QByteArray& path)
{
    struct stat status {};
    if (::stat(path.constData(), &status) != 0)
        throw Failure::fromErrno(errno);
}

// The file and the PATH lie on disks that a stalled mount never answers:
// each is looked at on a thread of its own, while the window goes on.
void lookFor(const QByteArray& path)
{
    if (!runOffThread([path] { requirePresent(path); }, fileSystemMilliseconds))
        throw Failure(u"The file system of the file does not answer"_s);
}

const QString& found(const QString& opener)
{
    if (opener.isEmpty())
        throw Failure(u"xdg-open cannot be found"_s);
    return opener;
}

} // namespace

QtDesktopLauncher::QtDesktopLauncher(QProcessEnvironment environment, QDBusConnection bus)
    : environment_(std::move(environment))
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
    const auto opener = std::make_shared<QString>();
    if (!runOffThread([opener, environment = environment_] { *opener = findProgram(u"xdg-open"_s, environment); },
            fileSystemMilliseconds))
        throw Failure(u"The file system of the file does not answer"_s);
    return *opener;
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
            lookFor(path);
        } catch (const Failure& failure) {
            gone = failure;
            break;
        }
        urls.push_back({QString::fromLatin1(fileUrlOf(path))});
    }
    startEachWatched(program, urls, environment_, watchMilliseconds);
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
    lookFor(path);
    const QString program = opener();
    // No file manager shows it: the folder, at least.
    if (!fileManagerShows(path))
        startWatched(found(program), {QString::fromLatin1(fileUrlOf(folderOf(path)))}, environment_, watchMilliseconds);
}

} // namespace ferrowax
