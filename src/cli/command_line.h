#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace ferrowax {

// What the program was asked to do, read before any window exists.
struct Invocation {
    enum class Mode { Window, Help, Version, List, Mistake };
    Mode mode = Mode::Window;
    // For --list: the folders as given and the extensions without a
    // leading dot, as bytes; at least one of each.
    QList<QByteArray> folders;
    QList<QByteArray> extensions;
    QList<QByteArray> excluded; // folder names' patterns and folder paths
    bool oneFileSystem = false;
    bool ignoreCase = false;
    bool nulSeparated = false;
    QString mistake; // one line saying what was wrong
};

Invocation readCommandLine(int argc, char* argv[]);

QString usageText();
inline constexpr int exitUsageMistake = 2;

} // namespace ferrowax
