#include "qt_desktop_launcher.h"

#include "failure.h"
#include "path_parts.h"
#include "program_search.h"
#include "program_start.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>

#include <cerrno>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace ferrowax {

namespace {

// How long xdg-open is watched for failing at once, and how long a file
// manager may take to answer.
constexpr int watchMilliseconds = 2000;
constexpr int fileManagerMilliseconds = 2000;

void requirePresent(const QByteArray& path)
{
    struct stat status {};
    if (::stat(path.constData(), &status) != 0)
        throw Failure::fromErrno(errno);
}

} // namespace

QtDesktopLauncher::QtDesktopLauncher(QProcessEnvironment environment)
    : environment_(std::move(environment))
{
}

void QtDesktopLauncher::openUrl(const QUrl& url)
{
    // Like the shell call it stands in for, the result is not looked at.
    QDesktopServices::openUrl(url);
}

void QtDesktopLauncher::startOpener(const QByteArray& url)
{
    const QString opener = findProgram(u"xdg-open"_s, environment_);
    if (opener.isEmpty())
        throw Failure(u"xdg-open cannot be found"_s);
    startWatched(opener, {QString::fromLatin1(url)}, environment_, watchMilliseconds);
}

void QtDesktopLauncher::openFile(const QByteArray& path)
{
    requirePresent(path);
    startOpener(fileUrlOf(path));
}

void QtDesktopLauncher::showInFolder(const QByteArray& path)
{
    requirePresent(path);
    QDBusMessage call = QDBusMessage::createMethodCall(u"org.freedesktop.FileManager1"_s,
        u"/org/freedesktop/FileManager1"_s, u"org.freedesktop.FileManager1"_s, u"ShowItems"_s);
    call << QStringList{QString::fromLatin1(fileUrlOf(path))} << QString();
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, fileManagerMilliseconds);
    if (reply.type() != QDBusMessage::ReplyMessage)
        startOpener(fileUrlOf(folderOf(path))); // no file manager offers it: the folder, at least
}

} // namespace ferrowax
