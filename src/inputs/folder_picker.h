#pragma once

#include <QString>

namespace ferrowax {

class Dialogs;
class FileSystem;

// Asks for one folder, starting at `initialFolder` when that is a folder.
// Answers its full path ("/" for the root, no trailing separator otherwise),
// or the empty text when the user cancels or picks no real folder.
QString PickFolder(Dialogs& dialogs, const FileSystem& fileSystem, const QString& prompt, const QString& initialFolder);

} // namespace ferrowax
