#include "workbook_folder.h"

#include "failure.h"

#include <QDir>
#include <QFileInfo>

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
    for (int number = 2; QFileInfo::exists(path) || QFileInfo::exists(path + u".partial"_s); ++number)
        path = stem + u" (%1).xlsx"_s.arg(number);
    return path;
}

} // namespace ferrowax
