#pragma once

#include "spreadsheet.h"

#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>

namespace ferrowax {

// Builds each workbook as an .xlsx file in a private temporary folder and,
// when the application is released, hands the visible ones to the desktop's
// spreadsheet program, which opens each as a new, untitled document.
//
// The program is the one FERROWAX_SPREADSHEET names; else LibreOffice
// (soffice or localc), which opens the file as a template; else the default
// application for .xlsx files. Without any, no application can be created.
class XlsxSpreadsheets final : public SpreadsheetApplications {
public:
    explicit XlsxSpreadsheets(QProcessEnvironment environment = QProcessEnvironment::systemEnvironment());

    std::unique_ptr<SpreadsheetApplication> create() override;

    // Removes every workbook file; for a program that ends without unwinding.
    void removeFiles();

    struct Opener {
        QString program;
        QStringList arguments; // the workbook's path follows them
    };

private:
    Opener findOpener() const;
    QString findProgram(const QString& name) const;

    QProcessEnvironment environment_;
    QTemporaryDir folder_;
    int workbooksMade_ = 0;
};

} // namespace ferrowax
