// Chimora: rings a school's bells on time.
#include <QApplication>
#include <QSessionManager>
#include <QTimer>
#include <iostream>
#include <string>
#include <vector>

#include "app/core/data_folder_filler.h"
#include "app/core/program_layout.h"
#include "app/core/ring_log.h"
#include "app/gui/chim_db_login_form.h"
#include "app/gui/frm_main.h"
#include "app/gui/qt_timer_service.h"
#include "chimdb/chim_session.h"
#include "chimdb/chim_session_list.h"
#include "platform/linux/linux_file_system.h"
#include "platform/linux/linux_log_files.h"
#include "platform/linux/local_single_instance.h"
#include "platform/linux/logind_power.h"
#include "platform/linux/qt_tick_source.h"
#include "platform/linux/sdl_media_player.h"
#include "platform/linux/signal_termination_requests.h"
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

// An installed program's data folder, made and filled from the template at the first start.
chimora::DataFolderFiller::Outcome PrepareProgramFolder(const chimora::ProgramLayout& layout) {
    if (!layout.Installed())
        return {};
    return chimora::DataFolderFiller::Fill(layout.TemplateFolder(), layout.ProgramFolder());
}

std::string TemplateProblemText(const chimora::ProgramLayout& layout,
                                const std::vector<std::string>& problems) {
    std::string text = "无法从安装模板 " + layout.TemplateFolder() + " 建立数据文件夹 " +
                       layout.ProgramFolder() + "，铃声可能不会按时播放。请重新安装 Chimora。\n";
    for (const std::string& problem : problems)
        text += "\n" + problem;
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Chimora"));
    QApplication::setApplicationVersion(QStringLiteral(CHIMORA_VERSION));
    // Lets the desktop match the window to the installed menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.chimora.Chimora"));
    // The window may be hidden in the tray; the program ends only when the window closes.
    QApplication::setQuitOnLastWindowClosed(false);

    const std::string executablePath = QCoreApplication::applicationFilePath().toStdString();
    const chimora::ProgramLayout layout =
        chimora::ProgramLayout::Choose(executablePath, &chimora::ProgramLayout::ProcessEnvironment);
    // A second copy for the same program folder would ring every bell a second time: a later
    // start shows the running copy's window and ends.
    chimora::platform::LocalSingleInstance instance(layout.ProgramFolder());
    switch (instance.Claim()) {
        case chimora::platform::SingleInstance::Outcome::HandedOver:
            std::cerr << "Chimora runs already for " << layout.ProgramFolder()
                      << "; its window is shown.\n";
            return 0;
        case chimora::platform::SingleInstance::Outcome::NoAnswer:
            std::cerr << "Chimora runs already for " << layout.ProgramFolder()
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
    chimora::platform::LinuxLogFiles logFiles;

    const chimora::DataFolderFiller::Outcome filled = PrepareProgramFolder(layout);
    const std::vector<std::string>& folderProblems = filled.problems;
    chimora::RingLog log(clock, logFiles, layout.ProgramFolder() + chimora::RingLog::kFileName,
                         &std::cerr);
    log.Event(std::string("program started, version ") + CHIMORA_VERSION + ", " +
              layout.Describe());
    if (!filled.copied.empty())
        log.Event("data folder made from the template: " + std::to_string(filled.copied.size()) +
                  " files copied");
    for (const std::string& problem : folderProblems)
        log.Event("data folder: " + problem);
    if (!instance.Problem().empty())
        log.Event(instance.Problem());

    QObject::connect(&app, &QGuiApplication::commitDataRequest,
                     [](QSessionManager&) { FlushEveryDatabase(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, [] { FlushEveryDatabase(); });
    chimora::platform::SignalTerminationRequests termination;
    bool endRequested = false;
    termination.SetHandler([&log, &endRequested](int number) {
        log.Event("end requested by signal " + std::to_string(number));
        endRequested = true;
        FlushEveryDatabase();
        // Ends every event loop, that of an open box too; a loop started after this returns
        // at once.
        QCoreApplication::exit(0);
    });

    int status = 0;
    {
        chimora::FrmMain window({clock, ticks, player, power, files, hotKeys, boxes, autorun, shell,
                                 executablePath,
                                 [&log](const std::string& text) { log.Event(text); },
                                 [&log](const chimora::RingReport& report) { log.Ring(report); },
                                 true, &timeSync, layout.ProgramFolder()});
        QObject::connect(&window, &chimora::FrmMain::programEnded, &app, &QCoreApplication::quit,
                         Qt::QueuedConnection);
        instance.SetShowHandler([&window] { window.ShowForLaterStart(); });
        window.show();
        // Told once the window is up: the box runs its own event loop, so the bells that can
        // ring go on ringing while it waits for the user.
        if (!folderProblems.empty())
            QTimer::singleShot(0, &window, [&boxes, &layout, &folderProblems] {
                boxes.ShowError(TemplateProblemText(layout, folderProblems));
            });
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
