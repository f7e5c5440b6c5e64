#pragma once

#include <QString>

namespace ferrowax {

class Dialogs;
class FileSystem;
class IoService;

// Asks for one folder, starting at `initialFolder` when that is a folder.
// Answers its full path ("/" for the root, no trailing separator otherwise),
// or the empty text when the user cancels or picks no real folder. Looks at
// the folders through `io`.
QString PickFolder(
    Dialogs& dialogs, IoService& io, const FileSystem& fileSystem, const QString& prompt, const QString& initialFolder);

} // namespace ferrowax
