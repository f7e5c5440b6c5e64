#pragma once

#include <vector>

namespace ferrowax {

struct Services;
class WindowState;

// What can be done with a found file: open it, show it in its folder, copy
// its path. Entries are Result list numbers, 1-based, in list order; 0 is
// no entry. They work during a search too, on what was found so far, and
// on the paths as they were when the command started. The first failure is
// reported and ends the command.

// A double-click on a result, or Enter on the current one, opens it.
void ListView2_DblClick(WindowState& window, Services& services, int current);
void ListView2_KeyDown(WindowState& window, Services& services, int current);

// The Result list's menu: "Open" opens each selected result, asking first
// when there are more than ten; "Open Containing Folder" shows the current
// one in its folder; "Copy Path" puts the selected paths on the clipboard,
// one CR LF line each, as the text export writes them.
void mnuOpen_Click(WindowState& window, Services& services, const std::vector<int>& selected);
void mnuOpenFolder_Click(WindowState& window, Services& services, int current);
void mnuCopyPath_Click(WindowState& window, Services& services, const std::vector<int>& selected);

} // namespace ferrowax
