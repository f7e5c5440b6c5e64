#include "program_search.h"

#include <QFileInfo>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace ferrowax {

QString findProgram(const QString& name, const QProcessEnvironment& environment)
{
    if (name.contains(u'/'))
        return QFileInfo(name).isExecutable() ? name : QString();
    return QStandardPaths::findExecutable(name, environment.value(u"PATH"_s).split(u':', Qt::SkipEmptyParts));
}

} // namespace ferrowax
