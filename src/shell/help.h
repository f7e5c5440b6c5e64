#pragma once

namespace ferrowax {

class Dialogs;

// "Help": where to ask questions. Works during a search too.
void PushButton9_Click(Dialogs& dialogs);

} // namespace ferrowax
