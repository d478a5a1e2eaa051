#include "dialogs/frm_setting.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTimeEdit>

#include "app/core/product_info.h"
#include "dialogs/frm_auto_start.h"
#include "tests/dialogs/dialog_fixture.h"

namespace chimora::testing {
namespace {

using Strings = std::vector<std::string>;

class SettingDialogTest : public DialogTest {
  protected:
    std::map<std::string, std::string> Values() {
        std::map<std::string, std::string> values;
        for (const auto& row : ReadRows(folder.AppPath(), "Config", "ID"))
            values[row.at("SYS_ID")] = row.at("SYS_VALUE");
        return values;
    }
    void InsertSettings(const std::string& autoRun, const std::string& shutDown,
                        const std::string& time) {
        folder.Insert("Config", "{\"ID\": \"1\", \"SYS_ID\": \"AUTORUN\", \"SYS_VALUE\": \"" +
                                    autoRun + "\"}\n{\"ID\": \"2\", \"SYS_ID\": \"SHUTDOWN\", " +
                                    "\"SYS_VALUE\": \"" + shutDown +
                                    "\"}\n{\"ID\": \"3\", \"SYS_ID\": \"SHUTDOWNDTTM\", " +
                                    "\"SYS_VALUE\": \"" + time + "\"}\n");
    }
};

TEST_F(SettingDialogTest, OpensWithTheStoredValues) {
    InsertSettings("1", "0", "18:30:15");
    FrmSetting dialog(nullptr, context);
    EXPECT_EQ(dialog.windowTitle().toStdString(), "系统设置");
    EXPECT_TRUE(Find<QCheckBox>(dialog, "chk1")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>(dialog, "chk2")->isChecked());
    EXPECT_FALSE(Find<QTimeEdit>(dialog, "DTP1")->isEnabled());
    EXPECT_EQ(Find<QTimeEdit>(dialog, "DTP1")->time(), QTime(18, 30, 15));
    EXPECT_TRUE(dialog.TimeNote().empty());
    Find<QCheckBox>(dialog, "chk2")->click();
    EXPECT_TRUE(Find<QTimeEdit>(dialog, "DTP1")->isEnabled());
}

TEST_F(SettingDialogTest, SaveWithShutdownOffKeepsTheTimeAndSwitchesAutorun) {
    InsertSettings("0", "1", "17:30:00");
    FrmSetting dialog(nullptr, context);
    Find<QCheckBox>(dialog, "chk1")->setChecked(true);
    Find<QTimeEdit>(dialog, "DTP1")->setTime(QTime(18, 30, 0));
    Find<QCheckBox>(dialog, "chk2")->click();
    Click(dialog, "btnSave");
    EXPECT_EQ(boxes.Texts(), Strings{"修改成功"});
    EXPECT_EQ(dialog.result(), 1);
    EXPECT_EQ(Values(), (std::map<std::string, std::string>{
                            {"AUTORUN", "1"}, {"SHUTDOWN", "0"}, {"SHUTDOWNDTTM", "18:30:00"}}));
    EXPECT_EQ(autorun.entries.at("Ring"), folder.ExecutablePath());
    EXPECT_EQ(state.SysConfig.ShutDownTime, "18:30:00");

    FrmSetting again(nullptr, context);
    Find<QCheckBox>(again, "chk1")->setChecked(false);
    Click(again, "btnSave");
    EXPECT_TRUE(autorun.entries.empty());
    EXPECT_EQ(Values().at("AUTORUN"), "0");
}

TEST_F(SettingDialogTest, AutorunErrorIsShownAndNothingChanges) {
    InsertSettings("0", "0", "17:30:00");
    autorun.refuseWrites = true;
    FrmSetting dialog(nullptr, context);
    Find<QCheckBox>(dialog, "chk1")->setChecked(true);
    Click(dialog, "btnSave");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, platform::MessageBoxes::Kind::Error);
    EXPECT_EQ(boxes.shown[0].text, "Failed to set data for 'Ring'");
    EXPECT_EQ(Values().at("AUTORUN"), "0");
    EXPECT_NE(dialog.result(), 1);
}

TEST_F(SettingDialogTest, UnreadableShutdownTimeOpensAtMidnightWithANote) {
    InsertSettings("0", "1", "half past five");
    FrmSetting dialog(nullptr, context);
    EXPECT_TRUE(dialog.Ready());
    EXPECT_EQ(Find<QTimeEdit>(dialog, "DTP1")->time(), QTime(0, 0, 0));
    EXPECT_EQ(dialog.TimeNote(), SettingSaver::BadTimeNote("half past five"));
    Click(dialog, "btnSave");
    EXPECT_EQ(Values().at("SHUTDOWNDTTM"), "00:00:00");
}

TEST_F(SettingDialogTest, HelpOpensTheMakersPage) {
    FrmAutoStart help(nullptr, shell, guard);
    EXPECT_EQ(help.windowTitle().toStdString(), "如何设置自动开机及自动登录");
    for (const char* memo : {"Memo1", "Memo2", "Memo3"}) {
        EXPECT_TRUE(Find<QPlainTextEdit>(help, memo)->isReadOnly());
        EXPECT_FALSE(Find<QPlainTextEdit>(help, memo)->toPlainText().isEmpty());
    }
    Click(help, "btnView");
    EXPECT_EQ(shell.urls, Strings{kProductPageUrl});
    // The build's one version number (the package and chimdb --version show the same).
    EXPECT_THAT(Find<QLabel>(help, "lblVersion")->text().toStdString(),
                ::testing::MatchesRegex("Chimora [0-9]+\\.[0-9]+(\\.[0-9]+)*"));
}

}  // namespace
}  // namespace chimora::testing
