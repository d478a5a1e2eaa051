#include "dialogs/frm_fang_an.h"
#include "dialogs/frm_setting.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "tests/dialogs/dialog_fixture.h"

namespace chimora::testing {
namespace {

using Strings = std::vector<std::string>;
using Answer = platform::MessageBoxes::Answer;
using Buttons = platform::MessageBoxes::Buttons;

class FangAnDialogTest : public DialogTest {
  protected:
    FangAnDialogTest() {
        folder.Insert("FANGAN",
                      PlanLine("默认方案", true) + PlanLine("A", false) + PlanLine("AB", false));
        folder.Insert("Ring1_7", EntryLine("A", "08:00:00", "a1") +
                                     EntryLine("AB", "09:00:00", "ab") +
                                     EntryLine("A", "10:00:00", "a2") +
                                     EntryLine("默认方案", "11:00:00", "main"));
        state.CurrFangAn = "默认方案";
    }

    static Strings Listed(QWidget& dialog) {
        Strings names;
        auto* list = Find<QListWidget>(dialog, "lstFangAn");
        for (int i = 0; i < list->count(); ++i)
            names.push_back(list->item(i)->text().toStdString());
        return names;
    }
    static void Select(QWidget& dialog, const std::string& name) {
        auto* list = Find<QListWidget>(dialog, "lstFangAn");
        const auto items = list->findItems(QString::fromStdString(name), Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1);
        list->setCurrentItem(items.first());
        static_cast<FrmFangAn&>(dialog).lstFangAnClick();
    }
    static void Type(QWidget& dialog, const char* name, const std::string& text) {
        Find<QLineEdit>(dialog, name)->setText(QString::fromStdString(text));
    }
    Strings EntriesOf(const std::string& plan) {
        Strings descs;
        for (const auto& row : ReadRows(folder.AppPath(), "Ring1_7", "ID")) {
            if (row.at("RINGPROJECT") == plan)
                descs.push_back(row.at("RINGDESC"));
        }
        return descs;
    }
    std::string ActivePlans() {
        std::string active;
        for (const auto& row : ReadRows(folder.AppPath(), "FANGAN", "NAME")) {
            if (row.at("ISACTIVE") == "1")
                active += row.at("NAME") + ";";
        }
        return active;
    }
};

TEST_F(FangAnDialogTest, OpensWithEveryPlanAndTheActiveOne) {
    FrmFangAn dialog(nullptr, context);
    EXPECT_EQ(dialog.windowTitle().toStdString(), "方案管理");
    EXPECT_EQ(Listed(dialog).size(), 3u);
    EXPECT_EQ(Find<QLabel>(dialog, "lblCurrFangAn")->text().toStdString(), "默认方案");
    Select(dialog, "默认方案");
    EXPECT_EQ(Find<QLineEdit>(dialog, "txtEditName")->text().toStdString(), "默认方案");
    EXPECT_FALSE(Find<QPushButton>(dialog, "btnDel")->isEnabled());
    Select(dialog, "A");
    EXPECT_TRUE(Find<QPushButton>(dialog, "btnApply")->isEnabled());
}

TEST_F(FangAnDialogTest, CreateChecksInOrderThenAddsAnInactivePlan) {
    FrmFangAn dialog(nullptr, context);
    Type(dialog, "txtAddName", "   ");
    Click(dialog, "btnAdd");
    Type(dialog, "txtAddName", " ab ");
    Click(dialog, "btnAdd");
    Type(dialog, "txtAddName", "一二三四五六七八九十一");
    Click(dialog, "btnAdd");
    Type(dialog, "txtAddName", "冬季😀");
    Click(dialog, "btnAdd");
    ASSERT_EQ(boxes.Texts(),
              (Strings{"请输入方案名称！", "该方案名已经存在，请改用其他名称！",
                       FangAnManager::kNameTooLong, FangAnManager::kNameNotStorable}));
    EXPECT_EQ(boxes.shown[0].buttons, Buttons::YesNo);
    EXPECT_EQ(boxes.shown[1].buttons, Buttons::Ok);
    EXPECT_EQ(Listed(dialog).size(), 3u);

    Type(dialog, "txtAddName", "It's *");
    Click(dialog, "btnAdd");
    EXPECT_EQ(Listed(dialog).size(), 4u);
    EXPECT_TRUE(Find<QLineEdit>(dialog, "txtAddName")->text().isEmpty());
    EXPECT_EQ(ActivePlans(), "默认方案;");
}

TEST_F(FangAnDialogTest, RenameChecksInOrderThenCarriesTheEntries) {
    FrmFangAn dialog(nullptr, context);
    Click(dialog, "btnEdit");              // nothing typed
    Type(dialog, "txtEditName", "typed");  // typed, nothing selected
    Click(dialog, "btnEdit");
    Select(dialog, "默认方案");
    EXPECT_FALSE(Find<QPushButton>(dialog, "btnEdit")->isEnabled());
    Type(dialog, "txtEditName", "new");
    dialog.btnEditClick();  // the button is disabled; the handler refuses on its own too
    EXPECT_EQ(Find<QLineEdit>(dialog, "txtEditName")->text().toStdString(), "默认方案");
    Select(dialog, "A");
    Type(dialog, "txtEditName", "a");  // its own name in another case
    Click(dialog, "btnEdit");
    EXPECT_EQ(boxes.Texts(),
              (Strings{"请选择方案后再修改！", FangAnManager::kRenameWithoutSelection,
                       "不可以修改正在应用的方案！", "该方案名已经存在，请改用其他名称！"}));

    Type(dialog, "txtEditName", "甲");
    Click(dialog, "btnEdit");
    EXPECT_EQ(boxes.shown.size(), 4u);
    EXPECT_EQ(EntriesOf("甲"), (Strings{"a1", "a2"}));
    EXPECT_EQ(EntriesOf("AB"), Strings{"ab"});
    const Strings listed = Listed(dialog);
    EXPECT_NE(std::find(listed.begin(), listed.end(), "甲"), listed.end());
}

TEST_F(FangAnDialogTest, ArrowKeysChooseAPlanAsAClickDoesAndTheRenameHitsThatPlan) {
    FrmFangAn dialog(nullptr, context);
    auto* list = Find<QListWidget>(dialog, "lstFangAn");
    ASSERT_EQ(Listed(dialog), (Strings{"A", "AB", "默认方案"}));
    const auto press = [list](Qt::Key key) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(list, &event);
    };
    Select(dialog, "A");  // by the mouse
    press(Qt::Key_Down);
    EXPECT_EQ(Find<QLineEdit>(dialog, "txtEditName")->text().toStdString(), "AB");
    EXPECT_TRUE(Find<QPushButton>(dialog, "btnEdit")->isEnabled());
    press(Qt::Key_Down);  // the active plan: its buttons go grey as after a click
    EXPECT_EQ(Find<QLineEdit>(dialog, "txtEditName")->text().toStdString(), "默认方案");
    EXPECT_FALSE(Find<QPushButton>(dialog, "btnDel")->isEnabled());
    press(Qt::Key_Up);
    EXPECT_TRUE(Find<QPushButton>(dialog, "btnDel")->isEnabled());

    Type(dialog, "txtEditName", "乙");
    Click(dialog, "btnEdit");
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(EntriesOf("乙"), Strings{"ab"});
    EXPECT_EQ(EntriesOf("A"), (Strings{"a1", "a2"}));
    EXPECT_EQ(Listed(dialog), (Strings{"A", "乙", "默认方案"}));
    // The rebuilt list has no choice: the name box keeps what the user typed.
    EXPECT_EQ(Find<QLineEdit>(dialog, "txtEditName")->text().toStdString(), "乙");
}

TEST_F(FangAnDialogTest, DeleteAsksAndRemovesOnlyThatPlansEntries) {
    FrmFangAn dialog(nullptr, context);
    Click(dialog, "btnDel");
    Select(dialog, "默认方案");
    dialog.btnDelClick();
    Select(dialog, "A");
    boxes.answers = {Answer::No};
    Click(dialog, "btnDel");
    EXPECT_TRUE(Find<QLineEdit>(dialog, "txtEditName")->text().isEmpty());
    EXPECT_EQ(EntriesOf("A").size(), 2u);
    Select(dialog, "A");
    Click(dialog, "btnDel");
    EXPECT_EQ(boxes.Texts(),
              (Strings{"请选择要删除的方案！", "当前应用的方案不可以删除！",
                       FangAnManager::kConfirmDelete, FangAnManager::kConfirmDelete}));
    EXPECT_EQ(boxes.shown[2].buttons, Buttons::YesNo);
    EXPECT_EQ(Listed(dialog), (Strings{"AB", "默认方案"}));
    EXPECT_TRUE(EntriesOf("A").empty());
    EXPECT_EQ(EntriesOf("AB"), Strings{"ab"});
    EXPECT_EQ(EntriesOf("默认方案"), Strings{"main"});
    EXPECT_NE(dialog.result(), 1);
}

TEST_F(FangAnDialogTest, ApplyMakesExactlyOnePlanActiveStopsThePlayerAndClosesWithOk) {
    FrmFangAn dialog(nullptr, context);
    Click(dialog, "btnApply");
    Select(dialog, "默认方案");
    dialog.btnApplyClick();
    EXPECT_NE(dialog.result(), 1);
    Select(dialog, "AB");
    Click(dialog, "btnApply");
    EXPECT_EQ(boxes.Texts(), (Strings{"请选择要启用的方案！", "该方案已经被启用，请选择其他方案！",
                                      FangAnManager::kApplied}));
    EXPECT_EQ(boxes.shown[2].kind, platform::MessageBoxes::Kind::Confirmation);
    EXPECT_EQ(ActivePlans(), "AB;");
    EXPECT_EQ(state.CurrFangAn, "AB");
    EXPECT_EQ(Find<QLabel>(dialog, "lblCurrFangAn")->text().toStdString(), "AB");
    EXPECT_EQ(dialog.result(), 1);
}

TEST_F(FangAnDialogTest, ApplyWithoutAnActivePlanTouchesNoOtherPlan) {
    state.CurrFangAn.clear();
    FrmFangAn dialog(nullptr, context);
    // The table says 默认方案 is active though the program has none: it goes inactive.
    Select(dialog, "A");
    Click(dialog, "btnApply");
    EXPECT_EQ(ActivePlans(), "A;");
}

}  // namespace
}  // namespace chimora::testing

namespace chimora::testing {
namespace {

TEST_F(DialogTest, PlanAndSettingDialogsDoNotOpenWhenTheDatabaseCannotBeRead) {
    std::filesystem::remove(folder.DatabasePath());
    FrmFangAn plans(nullptr, context);
    EXPECT_FALSE(plans.Ready());
    FrmSetting settings(nullptr, context);
    EXPECT_FALSE(settings.Ready());
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].kind, platform::MessageBoxes::Kind::Error);
}

}  // namespace
}  // namespace chimora::testing
