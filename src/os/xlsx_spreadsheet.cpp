#include "xlsx_spreadsheet.h"

#include "failure.h"
#include "io_service.h"
#include "program_start.h"
#include "spreadsheet_opener.h"
#include "workbook_cache.h"
#include "workbook_folder.h"
#include "xlsx_workbook.h"

#include <memory>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace ferrowax {

namespace {
// How long a spreadsheet program is watched for failing at once.
constexpr int watchMilliseconds = 2000;
// A call of the I/O service per cell would cost more than the rest of an
// export.
constexpr std::size_t cellsHandedOverTogether = 16384;
} // namespace

// Each workbook is written on the I/O service's threads, one call at a time,
// with the cells handed over in blocks: the window never waits on the disk
// the workbooks lie on, nor on the spreadsheet program.
class XlsxApplication final : public SpreadsheetApplication {
public:
    XlsxApplication(XlsxSpreadsheets& spreadsheets, SpreadsheetOpener opener)
        : spreadsheets_(spreadsheets)
        , opener_(std::move(opener))
    {
    }
    XlsxApplication(const XlsxApplication&) = delete;
    XlsxApplication& operator=(const XlsxApplication&) = delete;
    // Closing a workbook writes it: those still held are thrown away on a
    // thread of their own, without waiting.
    ~XlsxApplication() override
    {
        for (Held& held : workbooks_)
            io().start([workbook = std::move(held.workbook)]() mutable { workbook.reset(); });
    }

    void addWorkbook() override
    {
        if (!workbooks_.empty())
            onActive([](XlsxWorkbook&) {}); // its cells still waiting
        const QDateTime made = spreadsheets_.clock_();
        workbooks_.push_back({io().run([folder = spreadsheets_.folder(), made] {
            return std::make_shared<XlsxWorkbook>(newWorkbookPath(folder, made), made);
        })});
    }

    void setVisible(bool visible) override
    {
        for (Held& held : workbooks_)
            held.visible = visible;
    }

    void setCell(int row, int column, const QString& text) override
    {
        active();
        waiting_.push_back({row, column, text});
        if (waiting_.size() >= cellsHandedOverTogether)
            onActive([](XlsxWorkbook&) {});
    }
    void fitColumn(int column) override
    {
        onActive([column](XlsxWorkbook& workbook) { workbook.fitColumn(column); });
    }
    void fitAllColumns() override
    {
        onActive([](XlsxWorkbook& workbook) { workbook.fitAllColumns(); });
    }

    // The visible workbooks go to the spreadsheet program, the others are
    // thrown away.
    void release() override
    {
        if (!workbooks_.empty())
            onActive([](XlsxWorkbook&) {});
        while (!workbooks_.empty()) {
            Held& held = workbooks_.front();
            if (held.visible) {
                const QString path = io().run([workbook = held.workbook] { return workbook->finish(); });
                held.visible = false;
                startWatched(io(), opener_.program, opener_.arguments + QStringList{path}, spreadsheets_.environment_,
                    watchMilliseconds);
            }
            io().release(std::move(held.workbook));
            workbooks_.erase(workbooks_.begin());
        }
    }

private:
    struct Held {
        std::shared_ptr<XlsxWorkbook> workbook;
        bool visible = false;
    };
    struct Cell {
        int row;
        int column;
        QString text;
    };

    IoService& io() { return spreadsheets_.io_; }

    Held& active()
    {
        if (workbooks_.empty())
            throw Failure(u"No workbook is open"_s);
        return workbooks_.back();
    }

    // Writes the cells that wait into the active workbook, then does `then`
    // with it, in one call of the service.
    template <class Then>
    void onActive(Then then)
    {
        io().run([workbook = active().workbook, cells = std::exchange(waiting_, {}), then = std::move(then)] {
            for (const Cell& cell : cells)
                workbook->setCell(cell.row, cell.column, cell.text);
            then(*workbook);
        });
    }

    XlsxSpreadsheets& spreadsheets_;
    SpreadsheetOpener opener_;
    std::vector<Held> workbooks_;
    std::vector<Cell> waiting_; // for the active workbook
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
    return std::make_unique<XlsxApplication>(
        *this, io_.run([environment = environment_] { return findSpreadsheetOpener(environment); }));
}

} // namespace ferrowax
