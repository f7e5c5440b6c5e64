#include "input_list_edits.h"

#include "command_kit/error_report.h"
#include "command_kit/procedure.h"
#include "command_kit/window_state.h"

namespace ferrowax {

void removeSelectedEntry(const WindowState& window, EntryListModel& list, int selectedNumber)
{
    if (window.mousePointer() == Pointer::Hourglass || list.count() == 0)
        return;
    if (selectedNumber >= 1 && selectedNumber <= list.count())
        list.remove(selectedNumber);
}

void clearUnlessBusy(const WindowState& window, EntryListModel& list, Dialogs& dialogs, const QString& location)
{
    ErrorReport report(dialogs);
    Procedure p(report, location);
    p.step(100, [&] {
        if (window.mousePointer() != Pointer::Hourglass)
            list.clear();
    });
}

} // namespace ferrowax
