#pragma once

#include "spreadsheet.h"

#include <QDateTime>
#include <QProcessEnvironment>

#include <functional>

namespace ferrowax {

class IoService;

// Builds each workbook as an .xlsx file and, when the application is
// released, hands the visible ones to the desktop's spreadsheet program.
//
// The program is the one FERROWAX_SPREADSHEET names; else LibreOffice
// (soffice or localc), which opens the file as a new, untitled document;
// else the program registered for .xlsx files. Without any, no application
// can be created.
//
// A spreadsheet program may keep a workbook open after Ferrowax has ended,
// so workbooks live in the user's cache folder ($XDG_CACHE_HOME/ferrowax,
// else ~/.cache/ferrowax), named after the time they were made, and are
// removed a week later, unless someone changed or saved them meanwhile
// (see WorkbookCache). Rows past a worksheet's last continue on a further
// worksheet.
class XlsxSpreadsheets final : public SpreadsheetApplications {
public:
    // Reaches the disk and the spreadsheet program through `io`.
    explicit XlsxSpreadsheets(IoService& io, QProcessEnvironment environment = QProcessEnvironment::systemEnvironment(),
        std::function<QDateTime()> clock = &QDateTime::currentDateTime);

    std::unique_ptr<SpreadsheetApplication> create() override;

    // The folder the workbooks live in.
    QString folder() const;
    // Removes the workbooks this program made more than a week ago that
    // nobody changed since.
    void removeOldWorkbooks() const;

private:
    friend class XlsxApplication;

    IoService& io_;
    QProcessEnvironment environment_;
    std::function<QDateTime()> clock_;
};

} // namespace ferrowax
