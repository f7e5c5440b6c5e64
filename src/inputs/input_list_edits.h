#pragma once

#include <QString>

namespace ferrowax {

class Dialogs;
class EntryListModel;
class WindowState;

// The VB key code the removal handlers act on.
inline constexpr int keyDelete = 46;

// The Folder and Extension lists are edited only while no command has the
// hourglass up.

// Removes the selected entry (numbered from 1; 0 when none is selected).
void removeSelectedEntry(const WindowState& window, EntryListModel& list, int selectedNumber);

// "Clear List", reporting a failure under the command's location text.
void clearUnlessBusy(const WindowState& window, EntryListModel& list, Dialogs& dialogs, const QString& location);

} // namespace ferrowax
