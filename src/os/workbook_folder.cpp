#include "workbook_folder.h"

#include "failure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace ferrowax {

QString workbookFolder(const QProcessEnvironment& environment)
{
    const QString cache = environment.value(u"XDG_CACHE_HOME"_s);
    const QString base = cache.startsWith(u'/') ? cache : environment.value(u"HOME"_s) + u"/.cache"_s;
    return base + u"/ferrowax"_s;
}

QString newWorkbookPath(const QString& folder, const QDateTime& made)
{
    if (!QDir().mkpath(folder))
        throw Failure(folder + u" cannot be made"_s);
    const QString stem = QDir(folder).filePath(u"Results "_s + made.toString(u"yyyy-MM-dd HH.mm.ss"_s));
    QString path = stem + u".xlsx"_s;
    for (int number = 2;; ++number) {
        // The unfinished workbook is made at once, and only where none is:
        // two programs naming one in the same second never write into one
        // file, nor does one fail to store it under a name the other took.
        const QByteArray partial = QFile::encodeName(path + u".partial"_s);
        if (!QFileInfo::exists(path)) {
            const int made = ::open(partial.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
            if (made >= 0) {
                ::close(made);
                return path;
            }
            if (errno != EEXIST)
                throw Failure::fromErrno(errno).concerning(partial);
        }
        path = stem + u" (%1).xlsx"_s.arg(number);
    }
}

} // namespace ferrowax
