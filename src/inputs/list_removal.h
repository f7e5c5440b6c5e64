#pragma once

namespace ferrowax {

class EntryListModel;
class WindowState;

// The VB key code the removal handlers act on.
inline constexpr int keyDelete = 46;

// Removes the selected entry (numbered from 1; 0 when none is selected),
// unless a command has the hourglass up.
void removeSelectedEntry(const WindowState& window, EntryListModel& list, int selectedNumber);

} // namespace ferrowax
