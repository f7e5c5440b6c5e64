#pragma once

#include <QString>

class QWidget;

namespace ferrowax {

class FileSystem;

// Dresses the window in the skin file "x/o.cjs" of the program folder, a Qt
// style sheet, when that is a normal file. Fails, after the window has taken
// the button-face background, when the file cannot be read or parsed.
void ApplySkin(QWidget& window, const FileSystem& fileSystem, const QString& programFolder);

} // namespace ferrowax
