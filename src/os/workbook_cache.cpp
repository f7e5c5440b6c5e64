#include "workbook_cache.h"

#include "failure.h"
#include "file_descriptor.h"
#include "regular_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <ctime>
#include <map>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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

// How long another program may hold the record before this one leaves it
// alone.
constexpr int lockMilliseconds = 2000;

// Answers false when another program holds the lock all that time. A file
// system that has no locks is used as it is.
bool lockWithin(int fd)
{
    const timespec pause{0, 10 * 1000 * 1000};
    for (int waited = 0;; waited += 10) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return true;
        if (errno != EWOULDBLOCK && errno != EINTR)
            return errno == ENOLCK || errno == EINVAL || errno == EOPNOTSUPP;
        if (waited >= lockMilliseconds)
            return false;
        ::nanosleep(&pause, nullptr);
    }
}

// The record, open and locked while this lives, so that two programs that
// store or prune at once keep each other's lines. It is the program's own
// file, used only where it lies and as a regular file: a link, a folder, a
// pipe or anything else in its place is left alone, as is a record that
// cannot be opened, read or written. That costs at most a workbook kept
// longer.
class LockedRecord {
public:
    explicit LockedRecord(const QDir& folder)
        : file_(-1)
    {
        const QByteArray path = QFile::encodeName(folder.filePath(recordName));
        struct stat status {};
        FileDescriptor file(
            ::open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644));
        if (file.get() >= 0 && ::fstat(file.get(), &status) == 0 && S_ISREG(status.st_mode) && lockWithin(file.get()))
            file_ = std::move(file);
    }

    // One line per workbook: size, seconds, nanoseconds, name. A record
    // that cannot be read notes nothing, so nothing is removed on its word.
    Record read() const
    {
        QByteArray text(largestFileReadWhole + 1, Qt::Uninitialized);
        qsizetype filled = 0;
        while (file_.get() >= 0 && filled < text.size()) {
            const ssize_t got = ::pread(file_.get(), text.data() + filled, static_cast<std::size_t>(text.size() - filled), filled);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                return {};
            if (got == 0)
                break;
            filled += got;
        }
        if (filled > largestFileReadWhole)
            return {};
        text.truncate(filled);
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

    // In place, new lines first and the old tail cut off after: a record
    // cut short or mixed with its old lines lets go of what it no longer
    // names, never of more.
    void write(const Record& record) const
    {
        QByteArray text;
        for (const auto& [name, written] : record) {
            text += QByteArray::number(written.size) + ' ' + QByteArray::number(written.seconds) + ' '
                + QByteArray::number(written.nanoseconds) + ' ' + name.toUtf8() + '\n';
        }
        for (qsizetype offset = 0; file_.get() >= 0 && offset < text.size();) {
            const ssize_t put = ::pwrite(file_.get(), text.constData() + offset, static_cast<std::size_t>(text.size() - offset), offset);
            if (put < 0 && errno == EINTR)
                continue;
            if (put < 0)
                return;
            offset += put;
        }
        if (file_.get() >= 0)
            [[maybe_unused]] const int cut = ::ftruncate(file_.get(), text.size());
    }

private:
    FileDescriptor file_;
};

} // namespace

WorkbookCache::WorkbookCache(QString folder)
    : folder_(std::move(folder))
{
}

void WorkbookCache::store(const QString& partial, const QString& path, const QDateTime& made) const
{
    const QByteArray written = QFile::encodeName(partial);
    // Where the file system cannot hold the mark, the record still can. Both
    // times: libfuse 2 drops a change of the modification time alone.
    const timespec times[2] = {{0, UTIME_NOW}, {made.toSecsSinceEpoch(), writtenMark}};
    ::utimensat(AT_FDCWD, written.constData(), times, 0);

    // Held until the workbook is in place, so that no other program that
    // prunes takes its line for one of a workbook that is gone. Pruning
    // forgets the lines of workbooks that are gone.
    const LockedRecord record{QDir(folder_)};
    const QString name = QFileInfo(path).fileName();
    Record noted = record.read();
    struct stat status {};
    if (::lstat(written.constData(), &status) == 0) {
        noted[name] = writtenOf(status);
        record.write(noted);
    }
    if (!QFile::rename(partial, path))
        throw Failure(u"The workbook cannot be stored"_s);
    // Where the file system refuses a rename that keeps what is there, the
    // workbook was copied into place, with a new time.
    struct stat placed {};
    if (::lstat(QFile::encodeName(path).constData(), &placed) == 0 && writtenOf(placed) != noted[name]) {
        noted[name] = writtenOf(placed);
        record.write(noted);
    }
}

void WorkbookCache::removeOld(const QDateTime& now) const
{
    const qint64 weekAgo = now.addDays(-daysKept).toSecsSinceEpoch();
    const QDir folder(folder_);
    const LockedRecord locked(folder);
    const Record record = locked.read();
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
    if (kept.size() != record.size())
        locked.write(kept);
}

} // namespace ferrowax
