// Chimora: rings a school's bells on time.
#include <QApplication>
#include <QSessionManager>
#include <iostream>

#include "app/core/ini_file_utils.h"
#include "app/core/ring_log.h"
#include "app/gui/chim_db_login_form.h"
#include "app/gui/frm_main.h"
#include "app/gui/qt_timer_service.h"
#include "app/gui/termination_signals.h"
#include "chimdb/chim_session.h"
#include "chimdb/chim_session_list.h"
#include "platform/linux/linux_file_system.h"
#include "platform/linux/local_single_instance.h"
#include "platform/linux/logind_power.h"
#include "platform/linux/qt_tick_source.h"
#include "platform/linux/sdl_media_player.h"
#include "platform/linux/system_clock.h"
#include "platform/linux/timedated_time_sync.h"
#include "platform/linux/x11_hot_keys.h"
#include "platform/linux/xdg_autorun.h"
#include "platform/qt/qt_message_boxes.h"
#include "platform/qt/qt_shell_open.h"

namespace {

void FlushEveryDatabase() {
    try {
        chimdb::ChimSessionList::Instance().FlushAll();
    } catch (...) {
        // Nothing left to tell anyone: the program or the session is ending.
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Chimora"));
    // The window may be hidden in the tray; the program ends only when the window closes.
    QApplication::setQuitOnLastWindowClosed(false);

    const std::string executablePath = QCoreApplication::applicationFilePath().toStdString();
    const chimora::IniFileUtils paths(executablePath);
    // A second copy would ring every bell a second time: a later start shows the running
    // copy's window and ends.
    chimora::platform::LocalSingleInstance instance(paths.GetAppPath());
    switch (instance.Claim()) {
        case chimora::platform::SingleInstance::Outcome::HandedOver:
            std::cerr << "Chimora runs already for " << paths.GetAppPath()
                      << "; its window is shown.\n";
            return 0;
        case chimora::platform::SingleInstance::Outcome::NoAnswer:
            std::cerr << "Chimora runs already for " << paths.GetAppPath()
                      << " but does not answer; this copy ends so that no bell rings twice.\n";
            return 1;
        case chimora::platform::SingleInstance::Outcome::First:
            break;
    }

    chimora::QtTimerService timers;
    chimdb::TimerService::SetDefault(&timers);
    chimdb::ChimSessionList::Instance().Default().SetPasswordPrompt(&chimora::ChimDBLoginForm::Ask);

    chimora::platform::SystemClock clock;
    chimora::platform::QtTickSource ticks;
    chimora::platform::SdlMediaPlayer player;
    chimora::platform::LogindPower power;
    chimora::platform::LinuxFileSystem files;
    chimora::platform::X11HotKeys hotKeys;
    chimora::platform::QtMessageBoxes boxes;
    chimora::platform::XdgAutorun autorun;
    chimora::platform::QtShellOpen shell;
    chimora::platform::TimedatedTimeSync timeSync;

    chimora::RingLog log(clock, paths.GetAppPath() + chimora::RingLog::kFileName, &std::cerr);
    log.Event("program started");
    if (!instance.Problem().empty())
        log.Event(instance.Problem());

    QObject::connect(&app, &QGuiApplication::commitDataRequest,
                     [](QSessionManager&) { FlushEveryDatabase(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, [] { FlushEveryDatabase(); });
    chimora::TerminationSignals termination;
    bool endRequested = false;
    QObject::connect(&termination, &chimora::TerminationSignals::requested, &app,
                     [&log, &endRequested](int number) {
                         log.Event("end requested by signal " + std::to_string(number));
                         endRequested = true;
                         FlushEveryDatabase();
                         // Ends every event loop, that of an open box too; a loop started
                         // after this returns at once.
                         QCoreApplication::exit(0);
                     });

    int status = 0;
    {
        chimora::FrmMain window(
            {clock, ticks, player, power, files, hotKeys, boxes, autorun, shell, executablePath,
             [&log](const std::string& text) { log.Event(text); },
             [&log](const chimora::RingReport& report) { log.Ring(report); }, true, &timeSync});
        QObject::connect(&window, &chimora::FrmMain::programEnded, &app, &QCoreApplication::quit,
                         Qt::QueuedConnection);
        instance.SetShowHandler([&window] { window.ShowForLaterStart(); });
        window.show();
        // A signal while a box of the show steps was open has ended that box's loop; the
        // main loop would start afresh and forget it.
        if (!endRequested)
            status = QApplication::exec();
        instance.SetShowHandler(nullptr);
    }
    // The databases close before the timers they hold go away.
    chimdb::ChimSessionList::Instance().Shutdown();
    chimdb::TimerService::SetDefault(nullptr);
    log.Event("program exited");
    return status;
}
