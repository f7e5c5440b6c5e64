#pragma once

namespace ferrowax {

struct Services;
class WindowState;

// "Save Results As Text File": one line per result, each the path's bytes
// exactly as the file system gave them, ending in CR LF.
void PushButton2_Click(WindowState& window, Services& services);

} // namespace ferrowax
