#include "list_removal.h"

#include "shell/window_state.h"

namespace ferrowax {

void removeSelectedEntry(const WindowState& window, EntryListModel& list, int selectedNumber)
{
    if (window.mousePointer() == Pointer::Hourglass || list.count() == 0)
        return;
    if (selectedNumber >= 1 && selectedNumber <= list.count())
        list.remove(selectedNumber);
}

} // namespace ferrowax
