#pragma once

namespace ferrowax {

struct Services;
class WindowState;

// "Load Sample/Example Folder": a ready-made search over the two sample
// folders shipped beside the program, for jpg and txt files.
void PushButton11_Click(WindowState& window, Services& services);

} // namespace ferrowax
