#pragma once

namespace ferrowax {

class Dialogs;
struct Services;
class SpreadsheetApplications;
class WindowState;

// "Save Results As Excel File": the ticked results in a new, visible
// workbook of the spreadsheet application, left unsaved for the user.
void PushButton14_Click(WindowState& window, Services& services);

// Whether a spreadsheet application can be started; tells the user when not.
bool spreadsheetAvailable(SpreadsheetApplications& spreadsheets, Dialogs& dialogs);

} // namespace ferrowax
