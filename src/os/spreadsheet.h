#pragma once

#include <QString>

#include <memory>

namespace ferrowax {

// A spreadsheet application, driven the way the export drives it. Rows and
// columns count from 1 and address the active sheet of the workbook added
// last. Every call may fail with a Failure.
class SpreadsheetApplication {
public:
    virtual ~SpreadsheetApplication() = default;

    virtual void addWorkbook() = 0;
    virtual void setVisible(bool visible) = 0;
    virtual void setCell(int row, int column, const QString& text) = 0;
    virtual void fitColumn(int column) = 0;
    virtual void fitAllColumns() = 0;
    // Lets go of the application: what it was told to show is now the
    // user's. A file-based application shows its workbooks only here, once
    // they are whole.
    virtual void release() = 0;
};

class SpreadsheetApplications {
public:
    virtual ~SpreadsheetApplications() = default;
    // Fails when no spreadsheet application is installed.
    virtual std::unique_ptr<SpreadsheetApplication> create() = 0;
};

} // namespace ferrowax
