#pragma once

#include <QString>

namespace ferrowax {

struct Services;
class WindowState;

// The Folder list's commands: add a picked folder, clear the list, remove
// the selected entry.
class FolderListCommands {
public:
    FolderListCommands(WindowState& window, Services& services);

    void PushButton3_Click();
    void PushButton8_Click();
    void ListView1_DblClick(int selectedNumber);
    void ListView1_KeyDown(int keyCode, int selectedNumber);

    // The folder the picker last opened at, as read from the settings.
    QString lastFolder;

private:
    WindowState& window_;
    Services& services_;
};

} // namespace ferrowax
