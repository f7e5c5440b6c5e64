#pragma once

#include "command_kit/services.h"
#include "fake_services.h"
#include "os/io_service.h"
#include "os/output_file.h"
#include "walk_engine/posix_file_system.h"
#include "scripted_dialogs.h"

namespace ferrowax::testing {

// Every service a command reaches, scripted, over the real file system and
// real output files.
struct ScriptedServices {
    ScriptedDialogs dialogs;
    HookedEventPump eventPump;
    IoService io{eventPump};
    PosixFileSystem fileSystem{eventPump};
    RecordingLauncher desktop;
    ScriptedRandom random;
    RecordingProcessEnd processEnd;
    ScriptedSettings settings;
    ReplacingOutputFiles outputFiles;
    ScriptedClipboard clipboard;
    RecordingSpreadsheets spreadsheets;
    Services services{dialogs, eventPump, io, fileSystem, desktop, random, processEnd, settings, outputFiles, clipboard,
        spreadsheets, QString()};
};

} // namespace ferrowax::testing
