#include "dialogs/frm_calendar.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QCalendarWidget>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QListWidget>
#include <QTableWidget>
#include <QTextCharFormat>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/core/calendar_rule_check.h"
#include "app/core/calendar_table.h"
#include "app/core/ical_calendar.h"
#include "app/core/school_calendar.h"
#include "dialogs/frm_fang_an.h"
#include "tests/dialogs/dialog_fixture.h"

namespace chimora::testing {
namespace {

using Answer = platform::MessageBoxes::Answer;
using Strings = std::vector<std::string>;

class CalendarDialogTest : public DialogTest {
  protected:
    CalendarDialogTest() {
        folder.Insert("FANGAN", PlanLine("默认方案", true) + PlanLine("考试", false));
        folder.Insert("Ring1_7", EntryLine("默认方案", "08:00:00", "早读") +
                                     EntryLine("考试", "08:30:00", "开考"));
        state.CurrFangAn = "默认方案";
    }

    // The editor filled in as the user would.
    static void Edit(QWidget& dialog, const QDate& from, const QDate& to, int kind, int weekday = 0,
                     const std::string& plan = "", const std::string& note = "") {
        Find<QDateEdit>(dialog, "dtpFrom")->setDate(from);
        Find<QDateEdit>(dialog, "dtpTo")->setDate(to);
        Find<QComboBox>(dialog, "cboKind")->setCurrentIndex(kind);
        Find<QComboBox>(dialog, "cboWeekday")->setCurrentIndex(weekday);
        auto* plans = Find<QComboBox>(dialog, "cboFangAn");
        plans->setCurrentIndex(plans->findText(QString::fromStdString(plan)));
        Find<QLineEdit>(dialog, "txtNote")->setText(QString::fromStdString(note));
    }
    static Strings Listed(QWidget& dialog, int column) {
        Strings texts;
        auto* list = Find<QTableWidget>(dialog, "lstRules");
        for (int row = 0; row < list->rowCount(); ++row)
            texts.push_back(list->item(row, column)->text().toStdString());
        return texts;
    }
    Strings StoredNotes() {
        Strings notes;
        for (const auto& rule : CalendarTable(folder.AppPath()).LoadRules())
            notes.push_back(rule.NOTE);
        return notes;
    }
};

TEST_F(CalendarDialogTest, ChecksRunInOrderAndNothingIsWrittenUntilAllPass) {
    FrmCalendar dialog(nullptr, context);
    ASSERT_TRUE(dialog.Ready());
    const QDate from(2026, 10, 10);
    Edit(dialog, from, from.addDays(-1), 1, 0, "", std::string(40, 'x'));
    Click(dialog, "btnAdd");
    Edit(dialog, from, from, 1, 0, "", std::string(40, 'x'));
    Click(dialog, "btnAdd");
    Edit(dialog, from, from, 2, 0, "", std::string(40, 'x'));
    Click(dialog, "btnAdd");
    Edit(dialog, from, from, 2, 0, "考试", "一二三四五六七八九十一二三四五六七");
    Click(dialog, "btnAdd");
    Edit(dialog, from, from, 2, 0, "考试", "考试🎉");
    Click(dialog, "btnAdd");
    EXPECT_EQ(boxes.Texts(),
              (Strings{CalendarRuleCheck::kToBeforeFrom, CalendarRuleCheck::kNoWeekday,
                       CalendarRuleCheck::kNoPlan, CalendarRuleCheck::kNoteTooLong,
                       CalendarRuleCheck::kNoteNotStorable}));
    EXPECT_TRUE(StoredNotes().empty());

    Edit(dialog, from, from, 1, 7, "考试", "补10月7日的课");
    Click(dialog, "btnAdd");
    const auto rules = CalendarTable(folder.AppPath()).LoadRules();
    ASSERT_EQ(rules.size(), 1u);
    EXPECT_EQ(rules[0].KIND, "1");
    EXPECT_EQ(rules[0].WEEKDAY, "7");
    EXPECT_EQ(rules[0].FANGAN, "");  // a make-up day keeps no plan
    EXPECT_EQ(Listed(dialog, FrmCalendar::kRuleColumn), Strings{"调休：按星期日打铃"});
}

TEST_F(CalendarDialogTest, AnIdenticalRangeIsReplacedOnlyWhenTheUserAgrees) {
    FrmCalendar dialog(nullptr, context);
    const QDate from(2026, 10, 1), to(2026, 10, 7);
    Edit(dialog, from, to, 0, 0, "", "国庆节");
    Click(dialog, "btnAdd");
    Edit(dialog, from.addDays(-20), to.addDays(-20), 0, 0, "", "九月");
    Click(dialog, "btnAdd");
    EXPECT_EQ(Listed(dialog, FrmCalendar::kNoteColumn), (Strings{"九月", "国庆节"}));

    boxes.answers = {Answer::No};
    Edit(dialog, from, to, 2, 0, "考试", "国庆考试");
    Click(dialog, "btnAdd");
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_NE(boxes.Texts()[0].find("2026-10-01 至 2026-10-07，不打铃：国庆节"), std::string::npos);
    EXPECT_EQ(StoredNotes(), (Strings{"九月", "国庆节"}));

    Click(dialog, "btnAdd");  // Yes this time
    EXPECT_EQ(StoredNotes(), (Strings{"九月", "国庆考试"}));

    // Changing the September rule to the same range replaces the other and leaves one.
    auto* list = Find<QTableWidget>(dialog, "lstRules");
    list->selectRow(0);
    EXPECT_EQ(Find<QLineEdit>(dialog, "txtNote")->text().toStdString(), "九月");
    Edit(dialog, from, to, 0, 0, "", "国庆节");
    Click(dialog, "btnUpd");
    EXPECT_EQ(StoredNotes(), Strings{"国庆节"});
    Click(dialog, "btnExit");
    EXPECT_EQ(dialog.result(), 1);  // it stored something
}

TEST_F(CalendarDialogTest, ARuleWrittenInTheDialogRingsAtOnce) {
    clock.Set(2026, 12, 7, 7, 0, 0);
    loader.LoadAllDataToMem();
    engine.Timer1Timer();
    EXPECT_EQ(status, "运行中    下一首播放曲目:早读   时间:08:00:00    方案:默认方案");
    FrmCalendar dialog(nullptr, context);
    Edit(dialog, QDate(2026, 12, 7), QDate(2026, 12, 7), 2, 0, "考试", "期中考试");
    Click(dialog, "btnAdd");
    engine.Timer1Timer();
    EXPECT_EQ(status, "运行中    下一首播放曲目:开考   时间:08:30:00    方案:考试（校历）");

    auto* calendar = Find<QCalendarWidget>(dialog, "calMonth");
    EXPECT_EQ(calendar->dateTextFormat(QDate(2026, 12, 7)).background().color(),
              QColor(QString::fromLatin1(FrmCalendar::kPlanDayColour)));
    EXPECT_EQ(calendar->dateTextFormat(QDate(2026, 12, 8)).background().style(), Qt::NoBrush);

    Find<QTableWidget>(dialog, "lstRules")->selectRow(0);
    Click(dialog, "btnDel");
    EXPECT_EQ(boxes.Texts().back(), FrmCalendar::kConfirmDelete);
    engine.Timer1Timer();
    EXPECT_EQ(status, "运行中    下一首播放曲目:早读   时间:08:00:00    方案:默认方案");
    EXPECT_TRUE(StoredNotes().empty());
}

TEST_F(CalendarDialogTest, ImportShowsAPreviewAndRefusesBrokenFiles) {
    const std::filesystem::path ics = folder.AppPath() + "holidays.ics";
    std::ofstream(ics) << "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Bureau//ZH\r\n"
                          "BEGIN:VEVENT\r\nUID:1@bureau\r\nDTSTAMP:20260901T000000Z\r\n"
                          "DTSTART;VALUE=DATE:20261230\r\nDTEND;VALUE=DATE:20270103\r\n"
                          "SUMMARY:元旦\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    FrmCalendar dialog(nullptr, context);
    boxes.answers = {Answer::No};
    dialog.ImportFile(ics.string());
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_EQ(boxes.Texts()[0],
              "将添加以下1条校历规则：\n2026-12-30 至 2027-01-02  不打铃：元旦\n确认导入吗？");
    EXPECT_TRUE(StoredNotes().empty());
    dialog.ImportFile(ics.string());
    EXPECT_EQ(StoredNotes(), Strings{"元旦"});
    dialog.ImportFile(ics.string());  // again: nothing new
    EXPECT_EQ(boxes.Texts().back(), ICalendarFile::kNothingToImport);
    EXPECT_EQ(StoredNotes(), Strings{"元旦"});

    // A plan day of a plan this school does not have is refused before anything is written.
    std::ofstream(ics) << "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Other school//ZH\r\n"
                          "BEGIN:VEVENT\r\nUID:2@other\r\nDTSTAMP:20260901T000000Z\r\n"
                          "DTSTART;VALUE=DATE:20261101\r\nSUMMARY:开学\r\nEND:VEVENT\r\n"
                          "BEGIN:VEVENT\r\nUID:3@other\r\nDTSTAMP:20260901T000000Z\r\n"
                          "DTSTART;VALUE=DATE:20261105\r\nX-CHIMORA-KIND:2\r\n"
                          "X-CHIMORA-FANGAN:运动会\r\nSUMMARY:运动会\r\nEND:VEVENT\r\n"
                          "END:VCALENDAR\r\n";
    dialog.ImportFile(ics.string());
    EXPECT_EQ(boxes.Texts().back(), std::string(FrmCalendar::kImportRefused) + "2026-11-05：" +
                                        CalendarRuleCheck::kNoPlan);
    EXPECT_EQ(StoredNotes(), Strings{"元旦"});

    std::ofstream(ics) << "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nDTSTART;VALUE=DATE:soon\r\n"
                          "END:VEVENT\r\nEND:VCALENDAR\r\n";
    dialog.ImportFile(ics.string());
    EXPECT_EQ(boxes.Texts().back().rfind(ICalendarFile::kUnreadable, 0), 0u)
        << boxes.Texts().back();
    EXPECT_EQ(StoredNotes(), Strings{"元旦"});

    const std::string exported = folder.AppPath() + "out.ics";
    dialog.ExportFile(exported);
    EXPECT_EQ(ICalendarFile::ReadFile(exported, 0).size(), 1u);
}

TEST_F(CalendarDialogTest, DeletingAPlanThatTheCalendarNamesAsksFirst) {
    CalendarTable table(folder.AppPath());
    CalendarRule rule;
    rule.DAYFROM = SchoolCalendar::DayOf(2026, 11, 5);
    rule.DAYTO = rule.DAYFROM + 1;
    rule.KIND = "2";
    rule.FANGAN = "考试";
    rule.NOTE = "期中考试";
    table.Add(rule);
    loader.LoadAllDataToMem();
    ASSERT_EQ(state.CalendarPlans.count("考试"), 1u);
    FrmFangAn dialog(nullptr, context);
    auto* list = Find<QListWidget>(dialog, "lstFangAn");
    list->setCurrentItem(list->findItems(QString::fromUtf8("考试"), Qt::MatchExactly).first());
    dialog.lstFangAnClick();
    boxes.answers = {Answer::No};
    dialog.btnDelClick();
    EXPECT_EQ(boxes.Texts(),
              Strings{"校历中以下日期按该方案打铃：\n2026-11-05 至 2026-11-06  期中考试\n"
                      "删除该方案后，这些校历规则也将一并删除。确认继续吗？"});
    EXPECT_EQ(StoredNotes(), Strings{"期中考试"});
    list->setCurrentItem(list->findItems(QString::fromUtf8("考试"), Qt::MatchExactly).first());
    dialog.btnDelClick();  // Yes, and Yes to the plan's own question
    EXPECT_EQ(boxes.Texts().back(), FangAnManager::kConfirmDelete);
    EXPECT_TRUE(StoredNotes().empty());
    EXPECT_EQ(list->count(), 1);
    // The bell forgot the plan day at once.
    EXPECT_TRUE(state.CalendarRules.empty());
    EXPECT_TRUE(state.CalendarPlans.empty());
}

// Renders the dialog for a look when CHIMORA_DIALOG_PICTURES names a folder.
TEST_F(CalendarDialogTest, Picture) {
    const char* target = std::getenv("CHIMORA_DIALOG_PICTURES");
    if (target == nullptr)
        GTEST_SKIP() << "set CHIMORA_DIALOG_PICTURES to a folder";
    clock.Set(2026, 10, 9, 9, 0, 0);
    CalendarTable table(folder.AppPath());
    auto add = [&](int m1, int d1, int m2, int d2, const char* kind, const char* note,
                   const char* weekday = "", const char* plan = "") {
        CalendarRule rule;
        rule.DAYFROM = SchoolCalendar::DayOf(2026, m1, d1);
        rule.DAYTO = SchoolCalendar::DayOf(2026, m2, d2);
        rule.KIND = kind;
        rule.NOTE = note;
        rule.WEEKDAY = weekday;
        rule.FANGAN = plan;
        table.Add(rule);
    };
    add(10, 1, 10, 7, "0", "国庆节");
    add(10, 10, 10, 10, "1", "补10月7日的课", "3");
    add(10, 22, 10, 23, "2", "期中考试", "", "考试");
    add(9, 10, 9, 10, "0", "教师节");
    FrmCalendar dialog(nullptr, context);
    Find<QTableWidget>(dialog, "lstRules")->selectRow(2);
    dialog.adjustSize();
    EXPECT_TRUE(dialog.grab().save(QString::fromStdString(std::string(target) + "/calendar.png")));
}

}  // namespace
}  // namespace chimora::testing
