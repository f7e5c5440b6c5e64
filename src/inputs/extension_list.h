#pragma once

namespace ferrowax {

struct Services;
class WindowState;

// The Extension list's commands: add a typed extension, clear the list,
// remove the selected entry.
class ExtensionListCommands {
public:
    ExtensionListCommands(WindowState& window, Services& services);

    void PushButton7_Click();
    void PushButton10_Click();
    void ListView3_DblClick(int selectedNumber);
    void ListView3_KeyDown(int keyCode, int selectedNumber);

private:
    WindowState& window_;
    Services& services_;
};

} // namespace ferrowax
