#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace ferrowax {

// The desktop's spreadsheet program, and what to tell it before the
// workbook's path.
struct SpreadsheetOpener {
    QString program;
    QStringList arguments;
};

// The program FERROWAX_SPREADSHEET names; else LibreOffice (soffice or
// localc), which opens the file as a new, untitled document; else the
// program registered for .xlsx files, which xdg-mime is asked for. Fails
// when there is none. Looks at the disk and waits on xdg-mime.
SpreadsheetOpener findSpreadsheetOpener(const QProcessEnvironment& environment);

} // namespace ferrowax
