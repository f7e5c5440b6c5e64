#include "xlsx_spreadsheet.h"

#include "failure.h"
#include "program_start.h"
#include "spreadsheet_opener.h"
#include "workbook_cache.h"
#include "workbook_folder.h"
#include "xlsx_workbook.h"

#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace ferrowax {

namespace {
// How long a spreadsheet program is watched for failing at once.
constexpr int watchMilliseconds = 2000;
} // namespace

class XlsxApplication final : public SpreadsheetApplication {
public:
    XlsxApplication(XlsxSpreadsheets& spreadsheets, SpreadsheetOpener opener)
        : spreadsheets_(spreadsheets)
        , opener_(std::move(opener))
    {
    }
    XlsxApplication(const XlsxApplication&) = delete;
    XlsxApplication& operator=(const XlsxApplication&) = delete;

    void addWorkbook() override
    {
        const QDateTime made = spreadsheets_.clock_();
        workbooks_.push_back({std::make_unique<XlsxWorkbook>(newWorkbookPath(spreadsheets_.folder(), made), made)});
    }

    void setVisible(bool visible) override
    {
        for (Held& held : workbooks_)
            held.visible = visible;
    }

    void setCell(int row, int column, const QString& text) override { active().setCell(row, column, text); }
    void fitColumn(int column) override { active().fitColumn(column); }
    void fitAllColumns() override { active().fitAllColumns(); }

    // The visible workbooks go to the spreadsheet program, the others are
    // thrown away.
    void release() override
    {
        std::vector<Held> workbooks = std::move(workbooks_);
        for (const Held& held : workbooks) {
            if (held.visible)
                startWatched(spreadsheets_.io_, opener_.program, opener_.arguments + QStringList{held.workbook->finish()},
                    spreadsheets_.environment_, watchMilliseconds);
        }
    }

private:
    struct Held {
        std::unique_ptr<XlsxWorkbook> workbook;
        bool visible = false;
    };

    XlsxWorkbook& active()
    {
        if (workbooks_.empty())
            throw Failure(u"No workbook is open"_s);
        return *workbooks_.back().workbook;
    }

    XlsxSpreadsheets& spreadsheets_;
    SpreadsheetOpener opener_;
    std::vector<Held> workbooks_;
};

XlsxSpreadsheets::XlsxSpreadsheets(IoService& io, QProcessEnvironment environment, std::function<QDateTime()> clock)
    : io_(io)
    , environment_(std::move(environment))
    , clock_(std::move(clock))
{
}

QString XlsxSpreadsheets::folder() const
{
    return workbookFolder(environment_);
}

void XlsxSpreadsheets::removeOldWorkbooks() const
{
    WorkbookCache(folder()).removeOld(clock_());
}

std::unique_ptr<SpreadsheetApplication> XlsxSpreadsheets::create()
{
    return std::make_unique<XlsxApplication>(*this, findSpreadsheetOpener(environment_));
}

} // namespace ferrowax
