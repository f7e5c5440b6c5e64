#pragma once

namespace ferrowax {

// Screen readers tell a program's main window by its role: a plain widget
// would be announced as a "filler". Makes every widget named "Form1" a frame.
void announceMainWindowAsFrame();

} // namespace ferrowax
