#pragma once

#include <QString>

namespace ferrowax {

class EntryListModel;
struct Services;
class WindowState;

// "Remove Results Containing X", "Remove Results Not Containing X" and
// "Clear Results".
void PushButton17_Click(WindowState& window, Services& services);
void PushButton4_Click(WindowState& window, Services& services);
void PushButton6_Click(WindowState& window, Services& services);

// Remove the entries whose text contains, or does not contain, `text`,
// ignoring letter case. The text is plain: no wildcards.
void RemoveContaining(EntryListModel& list, const QString& text);
void RemoveNotContaining(EntryListModel& list, const QString& text);

} // namespace ferrowax
