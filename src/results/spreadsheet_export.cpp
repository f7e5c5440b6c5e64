#include "spreadsheet_export.h"

#include "command_kit/error_report.h"
#include "command_kit/procedure.h"
#include "command_kit/services.h"
#include "command_kit/window_state.h"
#include "platform/dialogs.h"
#include "platform/event_pump.h"
#include "platform/failure.h"
#include "platform/spreadsheet.h"

#include <memory>

using namespace Qt::StringLiterals;

namespace ferrowax {

bool spreadsheetAvailable(SpreadsheetApplications& spreadsheets, Dialogs& dialogs)
{
    bool result = true;
    try {
        spreadsheets.create()->release(); // at once
    } catch (const std::exception&) {
        dialogs.messageBox(u"Excel is not installed on this computer. You need to have it installed to use this "
                           u"software without error."_s,
            BoxStyle::OkOnly);
        result = false;
    }
    return result;
}

void PushButton14_Click(WindowState& window, Services& services)
{
    ErrorReport report(services.dialogs);
    Procedure p(report, u"in Drovatek2021/08/31.Form1.PushButton14_Click "_s);
    EntryListModel& results = window.resultList();
    std::unique_ptr<SpreadsheetApplication> application;
    const auto spreadsheet = [&]() -> SpreadsheetApplication& {
        if (!application)
            throw Failure(u"Object variable not set"_s);
        return *application;
    };

    if (p.test(100, [&] { return !spreadsheetAvailable(services.spreadsheets, services.dialogs); })) {
        p.step(172, [&] {
            services.dialogs.messageBox(u"Excel is not installed on this computer. You need to have it installed "
                                        u"to use this feature."_s,
                BoxStyle::OkOnly);
        });
        return;
    }
    p.step(108, [&] { window.setMousePointer(Pointer::Hourglass); });
    if (!p.test(110, [&] { return results.count() == 0; })) {
        p.step(112, [&] { application = services.spreadsheets.create(); });
        p.step(114, [&] { spreadsheet().addWorkbook(); });
        p.step(116, [&] { spreadsheet().setVisible(true); });
        int column = 0;
        p.step(118, [&] { column = 1; });
        const int columns = p.loopBound(120, 1, [&] { return results.columns(); });
        for (int c = 1; c <= columns; ++c) {
            p.step(122, [&] { services.eventPump.yield(); });
            p.step(124, [&] { spreadsheet().setCell(1, column, results.columnHeader(c)); });
            p.step(132, [&] { ++column; });
            p.step(134, [&] { spreadsheet().fitColumn(c); });
        }
        int row = 0;
        p.step(138, [&] { row = 2; });
        const int entries = p.loopBound(140, 1, [&] { return results.count(); });
        for (int r = 1; r <= entries; ++r) {
            p.step(142, [&] { services.eventPump.yield(); });
            if (p.test(144, [&] { return results.isChecked(r); })) {
                p.step(146, [&] { column = 1; });
                const int cells = p.loopBound(148, 1, [&] { return results.columns(); });
                for (int c = 1; c <= cells; ++c) {
                    p.step(150, [&] { services.eventPump.yield(); });
                    p.step(152, [&] { spreadsheet().setCell(row, column, results.cell(r, 1)); });
                    p.step(156, [&] { ++column; });
                }
            }
            p.step(164, [&] { ++row; });
        }
        p.step(168, [&] { spreadsheet().fitAllColumns(); });
        // The workbook can be shown only once it is whole, when the command
        // lets go of the application: the making visible of line 116 ends
        // here, and a failure to show it is reported under that line.
        p.step(116, [&] { spreadsheet().release(); });
    }
    p.step(170, [&] { window.setMousePointer(Pointer::Default); });
}

} // namespace ferrowax
