#include "spreadsheet_export.h"

#include "command_kit/error_report.h"
#include "command_kit/procedure.h"
#include "command_kit/services.h"
#include "command_kit/window_state.h"
#include "desktop_services/dialogs.h"
#include "os/event_pump.h"
#include "os/failure.h"
#include "os/spreadsheet.h"

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
            throw Failure::objectNotSet();
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
        // The first failure ends the export: one report says why, and no
        // workbook is shown for results it does not hold whole.
        bool whole = p.step(112, [&] { application = services.spreadsheets.create(); });
        whole = whole && p.step(114, [&] { spreadsheet().addWorkbook(); });
        whole = whole && p.step(116, [&] { spreadsheet().setVisible(true); });
        int column = 0;
        p.step(118, [&] { column = 1; });
        const int columns = whole ? p.loopBound(120, 1, [&] { return results.columns(); }) : 0;
        for (int c = 1; whole && c <= columns; ++c) {
            p.step(122, [&] { services.eventPump.yield(); });
            whole = p.step(124, [&] { spreadsheet().setCell(1, column, results.columnHeader(c)); });
            p.step(132, [&] { ++column; });
            whole = whole && p.step(134, [&] { spreadsheet().fitColumn(c); });
        }
        int row = 0;
        p.step(138, [&] { row = 2; });
        const int entries = whole ? p.loopBound(140, 1, [&] { return results.count(); }) : 0;
        for (int r = 1; whole && r <= entries; ++r) {
            p.step(142, [&] { services.eventPump.yield(); });
            bool checked = false;
            whole = p.step(144, [&] { checked = results.isChecked(r); });
            if (whole && checked) {
                p.step(146, [&] { column = 1; });
                const int cells = p.loopBound(148, 1, [&] { return results.columns(); });
                for (int c = 1; whole && c <= cells; ++c) {
                    p.step(150, [&] { services.eventPump.yield(); });
                    whole = p.step(152, [&] { spreadsheet().setCell(row, column, results.cell(r, 1)); });
                    p.step(156, [&] { ++column; });
                }
            }
            p.step(164, [&] { ++row; });
        }
        whole = whole && p.step(168, [&] { spreadsheet().fitAllColumns(); });
        // The workbook can be shown only once it is whole, when the command
        // lets go of the application: the making visible of line 116 ends
        // here, and a failure to show it is reported under that line.
        if (whole)
            p.step(116, [&] { spreadsheet().release(); });
        application.reset();
    }
    p.step(170, [&] { window.setMousePointer(Pointer::Default); });
}

} // namespace ferrowax
