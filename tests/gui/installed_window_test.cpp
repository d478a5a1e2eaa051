// The main window of an installed program: its program folder is the user's data folder,
// while the autorun entry still starts the installed executable.

#include "app/core/setting_saver.h"
#include "tests/gui/main_window_fixture.h"

namespace chimora::testing {
namespace {

TEST_F(MainWindowTest, InstalledProgramReadsTheDataFolderAndAutorunStartsTheExecutable) {
    folder.InsertInstalledRows();
    const std::string installed = "/usr/bin/chimora";
    window = std::make_unique<FrmMain>(
        MainWindowServices{clock, ticks, player, power, files, hotKeys, boxes, autorun, shell,
                           installed, [this](const std::string& text) { events.push_back(text); },
                           nullptr, false, folder.AppPath()});
    std::string dialogFolder;
    window->dialogs.setting = [&](QWidget*, DialogContext& context) {
        dialogFolder = context.paths.GetMusicPath();
        SettingSaver(context.loader, context.autorun, context.executablePath)
            .Save({true, false, "17:30:00"});
        return 1;
    };
    FrmMain& frm = Shown();
    EXPECT_EQ(frm.State().CurrFangAn, "默认方案");
    EXPECT_GE(frm.State().RingList.size(), 10u);

    frm.btnSettingClick();
    EXPECT_EQ(dialogFolder, folder.MusicPath());
    EXPECT_EQ(autorun.entries.at(SettingSaver::kAutorunName), installed);
}

}  // namespace
}  // namespace chimora::testing
