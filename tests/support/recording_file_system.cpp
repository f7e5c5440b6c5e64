#include "recording_file_system.h"

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

namespace ferrowax::testing {

namespace {

// Long enough for a slow machine; the wait ends as soon as it is mounted.
constexpr int mountMilliseconds = 20000;

} // namespace

RecordingFileSystem::RecordingFileSystem(const QStringList& failing)
{
    QDir(dir_.path()).mkdir(u"mount"_s);
    server_.start(u"/usr/bin/python3"_s,
        QStringList{QStringLiteral(FUSE_FOLDER "/recording_fs.py"), dir_.filePath(u"mount"_s), dir_.filePath(u"calls"_s)}
            + failing);
    QByteArray said;
    while (!said.contains("ready\n") && server_.waitForReadyRead(mountMilliseconds))
        said += server_.readAllStandardOutput();
    mounted_ = said.contains("ready\n");
    if (!mounted_) {
        server_.kill();
        server_.waitForFinished();
        whyNot_ = u"FUSE cannot be used here: "_s + QString::fromUtf8(server_.readAllStandardError()).trimmed();
    }
}

RecordingFileSystem::~RecordingFileSystem()
{
    if (!mounted_)
        return;
    QProcess::execute(u"fusermount3"_s, {u"-u"_s, u"-z"_s, dir_.filePath(u"mount"_s)});
    if (!server_.waitForFinished(mountMilliseconds))
        server_.kill();
    server_.waitForFinished();
}

QByteArray RecordingFileSystem::path(const QByteArray& relative) const
{
    const QByteArray mount = QFile::encodeName(dir_.filePath(u"mount"_s));
    return relative.isEmpty() ? mount : mount + '/' + relative;
}

QByteArrayList RecordingFileSystem::calls() const
{
    QFile log(dir_.filePath(u"calls"_s));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    QByteArrayList lines = log.readAll().split('\n');
    lines.removeAll(QByteArray());
    return lines;
}

} // namespace ferrowax::testing
