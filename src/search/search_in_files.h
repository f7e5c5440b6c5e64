#pragma once

#include <QByteArray>

#include <vector>

namespace ferrowax {

class WalkHost;

// The extensions a run looks for, copied from the Extension list when it
// starts; each is compared exactly with a file's extension.
using ExtensionArray = std::vector<QByteArray>;

// The attribute value of a protected system folder, which the walk passes over.
inline constexpr int skippedFolderAttributes = 22;

// Walks one folder tree, depth first, and appends the full path of every file
// whose extension is in `extensions`.
void searchInFiles(const QByteArray& folderPath, const ExtensionArray& extensions, const int& includeSubfolders,
    WalkHost& host);

} // namespace ferrowax
