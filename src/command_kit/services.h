#pragma once

#include <QString>

namespace ferrowax {

class Clipboard;
class DesktopLauncher;
class Dialogs;
class EventPump;
class FileSystem;
class IoService;
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
    // Every call a command makes to a disk or another program goes through it.
    IoService& io;
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
