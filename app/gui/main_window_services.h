#pragma once

#include <functional>
#include <string>

#include "app/core/ring_report.h"
#include "platform/autorun.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/hot_keys.h"
#include "platform/media_player.h"
#include "platform/message_boxes.h"
#include "platform/power.h"
#include "platform/shell_open.h"
#include "platform/tick_source.h"

namespace chimora {

// What the main window takes from the outside world. The program hands in the real
// backends; tests hand in fakes. Everything must outlive the window.
struct MainWindowServices {
    const platform::Clock& clock;
    platform::TickSource& ticks;
    platform::MediaPlayer& player;
    platform::Power& power;
    const platform::FileSystem& files;
    platform::HotKeys& hotKeys;
    platform::MessageBoxes& boxes;
    platform::Autorun& autorun;
    platform::ShellOpen& shell;
    std::string executablePath;  // the program's full path, for the autorun entry
    // The ring log: free-text events and due rings. Either may be empty.
    std::function<void(const std::string&)> logEvent;
    std::function<void(const RingReport&)> logRing;
    // False keeps the tray icon away even where the desktop offers one (tests).
    bool useTrayIcon = true;
    // The program folder (db.dll, music/, the ring log); empty: the executable's folder.
    std::string programFolder = {};
};

}  // namespace chimora
