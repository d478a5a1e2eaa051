#pragma once

#include <string>

#include "app/core/event_guard.h"
#include "app/core/ini_file_utils.h"
#include "app/core/music_playback.h"
#include "app/core/program_state.h"
#include "app/core/schedule_loader.h"
#include "platform/autorun.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/message_boxes.h"
#include "platform/shell_open.h"

namespace chimora {

// What the editing dialogs reach of the main window and of the platform. The main window
// owns every part; a dialog only borrows them while it is open.
struct DialogContext {
    ProgramState& state;        // CurrFangAn, SysConfig, ...
    ScheduleLoader& loader;     // LoadAllDataToMem, LoadConfigData, openChimConfig, ChimTable1
    MusicPlayback& playback;    // the main window's play / stop and its one media player
    const IniFileUtils& paths;  // program folder and music folder
    const platform::Clock& clock;
    const platform::FileSystem& files;
    platform::MessageBoxes& boxes;
    platform::Autorun& autorun;
    platform::ShellOpen& shell;
    EventGuard& guard;           // runs a button's action, showing what ends it
    std::string executablePath;  // the program's full path, for the autorun entry
};

}  // namespace chimora
