#pragma once

#include <QString>

namespace ferrowax {

class Clipboard;
class EventPump;
class ListContent;
struct Services;
class WindowState;

// "Copy Results To Clipboard".
void PushButton5_Click(WindowState& window, Services& services);

// Puts the checked entries of `list` on the clipboard as column-aligned
// text, one CR LF line each. Leaves the clipboard alone for an empty list;
// fails, without touching the clipboard, when an entry cannot be read.
void CopyListToClipboard(const ListContent& list, EventPump& eventPump, Clipboard& clipboard);

// Each tries up to 1000 times while another program holds the clipboard,
// then gives up without a word.
void ClearClipboard(Clipboard& clipboard);
void SetClipboardText(Clipboard& clipboard, const QString& text);

} // namespace ferrowax
