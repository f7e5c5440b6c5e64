#include "workbook_cache.h"

#include "failure.h"
#include "output_file.h"
#include "regular_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <map>

#include <fcntl.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace ferrowax {

namespace {

constexpr qint64 daysKept = 7;

// A workbook's modification time is the time it was made, with this many
// nanoseconds: the only evidence that workbooks of earlier versions, which
// kept no record, are as they were written.
constexpr long writtenMark = 417'417'417;

// The names the program gives its workbooks, and nothing else.
const QRegularExpression workbookName(uR"(^Results \d{4}-\d{2}-\d{2} \d{2}\.\d{2}\.\d{2}( \(\d+\))?\.xlsx(\.partial)?$)"_s);

const QString recordName = u".ferrowax-workbooks"_s;

struct Written {
    qint64 size = 0;
    qint64 seconds = 0;
    qint64 nanoseconds = 0;
    bool operator==(const Written&) const = default;
};

Written writtenOf(const struct stat& status)
{
    return {status.st_size, status.st_mtim.tv_sec, status.st_mtim.tv_nsec};
}

using Record = std::map<QString, Written>;

bool present(const QDir& folder, const QString& name)
{
    struct stat status {};
    return ::lstat(QFile::encodeName(folder.filePath(name)).constData(), &status) == 0;
}

// One line per workbook: size, seconds, nanoseconds, name. A record that
// cannot be read notes nothing, so nothing is removed on its word.
Record readRecord(const QDir& folder)
{
    QByteArray text;
    try {
        text = readRegularFile(QFile::encodeName(folder.filePath(recordName)));
    } catch (const Failure&) {
        return {};
    }
    Record record;
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 4)
            continue;
        bool sized = false;
        bool dated = false;
        bool timed = false;
        const Written written{fields[0].toLongLong(&sized), fields[1].toLongLong(&dated), fields[2].toLongLong(&timed)};
        if (sized && dated && timed)
            record[QString::fromUtf8(fields.mid(3).join(' '))] = written;
    }
    return record;
}

// Whole or not at all: a record cut short would let go of what it no
// longer names, never of more.
void writeRecord(const QDir& folder, const Record& record)
{
    ReplacingOutputFiles files;
    const std::unique_ptr<OutputFile> file = files.create(QFile::encodeName(folder.filePath(recordName)));
    for (const auto& [name, written] : record) {
        file->write(QByteArray::number(written.size) + ' ' + QByteArray::number(written.seconds) + ' '
            + QByteArray::number(written.nanoseconds) + ' ' + name.toUtf8() + '\n');
    }
    file->close();
}

} // namespace

WorkbookCache::WorkbookCache(QString folder)
    : folder_(std::move(folder))
{
}

void WorkbookCache::store(const QString& partial, const QString& path, const QDateTime& made) const
{
    const QByteArray written = QFile::encodeName(partial);
    // Where the file system cannot hold the mark, the record still can.
    const timespec times[2] = {{0, UTIME_OMIT}, {made.toSecsSinceEpoch(), writtenMark}};
    ::utimensat(AT_FDCWD, written.constData(), times, 0);
    struct stat status {};
    if (::lstat(written.constData(), &status) != 0)
        throw Failure::fromErrno(errno);

    const QDir folder(folder_);
    Record record = readRecord(folder);
    std::erase_if(record, [&](const auto& noted) { return !present(folder, noted.first); });
    record[QFileInfo(path).fileName()] = writtenOf(status);
    writeRecord(folder, record);
    if (!QFile::rename(partial, path))
        throw Failure(u"The workbook cannot be stored"_s);
}

void WorkbookCache::removeOld(const QDateTime& now) const
{
    const qint64 weekAgo = now.addDays(-daysKept).toSecsSinceEpoch();
    const QDir folder(folder_);
    const Record record = readRecord(folder);
    Record kept;
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (!workbookName.match(name).hasMatch())
            continue;
        // Only what this program wrote, as it wrote it: never a link, never
        // a workbook someone saved or changed since.
        const QByteArray path = QFile::encodeName(folder.filePath(name));
        struct stat status {};
        if (::lstat(path.constData(), &status) != 0 || !S_ISREG(status.st_mode))
            continue;
        const auto noted = record.find(name);
        const bool asWritten = name.endsWith(u".partial"_s)
            || (noted != record.end() && noted->second == writtenOf(status)) || status.st_mtim.tv_nsec == writtenMark;
        if (asWritten && status.st_mtim.tv_sec < weekAgo && ::unlink(path.constData()) == 0)
            continue;
        if (noted != record.end())
            kept.insert(*noted);
    }
    if (kept.size() == record.size())
        return;
    // Kept longer than needed, until the next workbook rewrites it, is all
    // that a record that cannot be rewritten now costs.
    try {
        writeRecord(folder, kept);
    } catch (const Failure&) {
    }
}

} // namespace ferrowax
