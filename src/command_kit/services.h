#pragma once

#include <QString>

namespace ferrowax {

class Clipboard;
class DesktopLauncher;
class Dialogs;
class EventPump;
class FileSystem;
class OutputFiles;
class ProcessEnd;
class RandomSource;
class SettingsStore;
class SpreadsheetApplications;

// The outside world as commands reach it. The program wires the real
// services; tests wire scripted ones.
struct Services {
    Dialogs& dialogs;
    EventPump& eventPump;
    const FileSystem& fileSystem;
    DesktopLauncher& desktop;
    RandomSource& random;
    ProcessEnd& processEnd;
    const SettingsStore& settings;
    OutputFiles& outputFiles;
    Clipboard& clipboard;
    SpreadsheetApplications& spreadsheets;
    // The folder that holds the executable; samples, cursor and skin live here.
    QString programFolder;
};

} // namespace ferrowax
