#include "spreadsheet_opener.h"

#include "failure.h"
#include "program_search.h"

#include <QProcess>

using namespace Qt::StringLiterals;

namespace ferrowax {

namespace {
const QString xlsxMimeType = u"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"_s;
} // namespace

SpreadsheetOpener findSpreadsheetOpener(const QProcessEnvironment& environment)
{
    if (const QString chosen = environment.value(u"FERROWAX_SPREADSHEET"_s); !chosen.isEmpty()) {
        const QString program = findProgram(chosen, environment);
        if (program.isEmpty())
            throw Failure(chosen + u" cannot be found"_s);
        return {program, {}};
    }
    // LibreOffice opens a template as a new document nobody has saved yet.
    for (const QString& office : {u"soffice"_s, u"localc"_s}) {
        if (const QString program = findProgram(office, environment); !program.isEmpty())
            return {program, office == u"soffice"_s ? QStringList{u"--calc"_s, u"-n"_s} : QStringList{u"-n"_s}};
    }
    const QString xdgMime = findProgram(u"xdg-mime"_s, environment);
    const QString xdgOpen = findProgram(u"xdg-open"_s, environment);
    if (!xdgMime.isEmpty() && !xdgOpen.isEmpty()) {
        QProcess query;
        query.setProcessEnvironment(environment);
        query.start(xdgMime, {u"query"_s, u"default"_s, xlsxMimeType});
        if (query.waitForFinished(5000) && !query.readAllStandardOutput().trimmed().isEmpty())
            return {xdgOpen, {}};
    }
    throw Failure(u"No spreadsheet application is installed"_s);
}

} // namespace ferrowax
