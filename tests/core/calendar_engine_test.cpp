// The school calendar in the bell core: which rule governs a day, and what the engine rings
// and shows on a day without bells, a make-up day and a plan day.

#include <gtest/gtest.h>

#include "app/core/calendar_rule_check.h"
#include "app/core/school_calendar.h"
#include "tests/core/engine_fixture.h"

namespace chimora::testing {
namespace {

std::int32_t Day(int year, int month, int day) {
    return SchoolCalendar::DayOf(year, month, day);
}

CalendarRule Rule(std::int32_t id, std::int32_t from, std::int32_t to, const char* kind,
                  const std::string& note = "", const std::string& weekday = "",
                  const std::string& plan = "") {
    CalendarRule rule;
    rule.ID = id;
    rule.DAYFROM = from;
    rule.DAYTO = to;
    rule.KIND = kind;
    rule.WEEKDAY = weekday;
    rule.FANGAN = plan;
    rule.NOTE = note;
    return rule;
}

std::int32_t IdFor(const std::vector<CalendarRule>& rules, std::int32_t day) {
    const auto rule = SchoolCalendar::RuleFor(rules, day);
    return rule ? rule->ID : 0;
}

TEST(SchoolCalendarTest, TheShortestCoveringRuleWinsThenTheHighestId) {
    const std::vector<CalendarRule> rules = {
        Rule(1, Day(2027, 1, 15), Day(2027, 2, 20), "0", "寒假"),
        Rule(2, Day(2027, 2, 6), Day(2027, 2, 6), "1", "调休", "1"),
        Rule(3, Day(2027, 2, 1), Day(2027, 2, 7), "0", "春节"),
        Rule(4, Day(2027, 2, 1), Day(2027, 2, 7), "0", "春节（新）"),
        Rule(5, Day(2026, 12, 30), Day(2027, 1, 2), "0", "元旦"),
        Rule(6, Day(2026, 11, 28), Day(2026, 12, 3), "2", "运动会", "", "运动会"),
    };
    EXPECT_EQ(IdFor(rules, Day(2027, 1, 14)), 0);
    EXPECT_EQ(IdFor(rules, Day(2027, 1, 15)), 1);
    EXPECT_EQ(IdFor(rules, Day(2027, 2, 20)), 1);
    EXPECT_EQ(IdFor(rules, Day(2027, 2, 21)), 0);
    // Inside the vacation a shorter rule governs; of two equal ones the newer.
    EXPECT_EQ(IdFor(rules, Day(2027, 2, 1)), 4);
    EXPECT_EQ(IdFor(rules, Day(2027, 2, 6)), 2);
    EXPECT_EQ(IdFor(rules, Day(2027, 2, 8)), 1);
    // Ranges over a year end and a month end.
    for (const auto day : {Day(2026, 12, 30), Day(2026, 12, 31), Day(2027, 1, 1), Day(2027, 1, 2)})
        EXPECT_EQ(IdFor(rules, day), 5);
    EXPECT_EQ(IdFor(rules, Day(2027, 1, 3)), 0);
    EXPECT_EQ(IdFor(rules, Day(2026, 11, 30)), 6);
    EXPECT_EQ(IdFor(rules, Day(2026, 12, 1)), 6);
    EXPECT_EQ(IdFor(rules, Day(2026, 12, 4)), 0);
}

TEST(SchoolCalendarTest, RulesTheEngineCannotFollowNeverWin) {
    const std::int32_t day = Day(2026, 12, 7);
    const std::vector<CalendarRule> rules = {
        Rule(1, day - 10, day + 10, "0", "长假"),
        Rule(2, day + 1, day - 1, "0", "反了"),  // range out of order
        Rule(3, day, day, "1", "没有星期", ""),  // make-up day without a weekday
        Rule(4, day, day, "1", "星期八", "8"),   // no such weekday
        Rule(5, day, day, "2", "没有方案"),      // plan day without a plan
        Rule(6, day, day, "9", "未知"),          // unknown kind
    };
    EXPECT_EQ(IdFor(rules, day), 1);
}

TEST(SchoolCalendarTest, WeekdaysAndTexts) {
    EXPECT_EQ(SchoolCalendar::WeekdayOf(Day(2026, 12, 7)), 1);
    EXPECT_EQ(SchoolCalendar::WeekdayOf(Day(2026, 12, 13)), 7);
    EXPECT_EQ(SchoolCalendar::WeekdayOf(Day(2024, 2, 29)), 4);
    EXPECT_EQ(SchoolCalendar::WeekdayOf(Day(1, 1, 1)), 1);
    EXPECT_EQ(SchoolCalendar::DateText(Day(2027, 1, 2)), "2027-01-02");
    EXPECT_EQ(SchoolCalendar::RangeText(Rule(1, Day(2026, 10, 1), Day(2026, 10, 7), "0")),
              "2026-10-01 至 2026-10-07");
    EXPECT_EQ(SchoolCalendar::Describe(Rule(1, 0, 0, "1", "补10月7日", "7")),
              "调休：按星期日打铃：补10月7日");
    EXPECT_EQ(SchoolCalendar::Describe(Rule(1, 0, 0, "2", "", "", "考试")), "按方案“考试”打铃");
}

TEST(CalendarRuleCheckTest, ChecksRunInOrderAndTheNoteIsMeasuredInCodePageBytes) {
    const std::vector<std::string> plans = {"默认方案", "考试"};
    const std::int32_t day = Day(2026, 12, 7);
    // Everything wrong at once: the dates are named first.
    CalendarRule rule = Rule(0, day, day - 1, "1", std::string(40, 'x'), "");
    EXPECT_EQ(CalendarRuleCheck::Check(rule, plans), CalendarRuleCheck::kToBeforeFrom);
    rule.DAYTO = day;
    EXPECT_EQ(CalendarRuleCheck::Check(rule, plans), CalendarRuleCheck::kNoWeekday);
    rule.WEEKDAY = "6";
    EXPECT_EQ(CalendarRuleCheck::Check(rule, plans), CalendarRuleCheck::kNoteTooLong);
    rule.KIND = "2";
    rule.FANGAN = "考";  // a prefix of a plan is no plan
    EXPECT_EQ(CalendarRuleCheck::Check(rule, plans), CalendarRuleCheck::kNoPlan);
    rule.FANGAN = "考试";
    rule.NOTE = std::string(32, 'x');
    EXPECT_EQ(CalendarRuleCheck::Check(rule, plans), std::nullopt);
    rule.NOTE = "一二三四五六七八九十一二三四五六";  // 16 characters, 32 bytes
    EXPECT_EQ(CalendarRuleCheck::Check(rule, plans), std::nullopt);
    rule.NOTE += "七";
    EXPECT_EQ(CalendarRuleCheck::Check(rule, plans), CalendarRuleCheck::kNoteTooLong);
    rule.NOTE = "运动会🏃";
    EXPECT_EQ(CalendarRuleCheck::Check(rule, plans), CalendarRuleCheck::kNoteNotStorable);

    const std::vector<CalendarRule> rules = {Rule(3, day, day + 2, "0", "a"),
                                             Rule(4, day, day, "0", "b")};
    EXPECT_EQ(CalendarRuleCheck::SameRange(Rule(0, day, day, "1"), rules)->ID, 4);
    EXPECT_EQ(CalendarRuleCheck::SameRange(Rule(0, day, day, "1"), rules, 4), std::nullopt);
    EXPECT_EQ(CalendarRuleCheck::SameRange(Rule(0, day, day + 1, "1"), rules), std::nullopt);
}

// Monday 2026-12-07 .. Sunday 2026-12-13 with a weekday entry, a Saturday entry and the
// entries of a second plan.
class CalendarEngineTest : public EngineTest {
  protected:
    CalendarEngineTest() {
        state.CurrFangAn = "P";
        AddRing(Ring("08:00:00", "早读", "weekday.wav", "11111000"));
        AddRing(Ring("09:00:00", "周六补课", "saturday.wav", "00000100"));
        state.CalendarPlans["考试"] = {Ring("08:30:00", "开考", "exam.wav", "11111110")};
        files.files.insert(kMusic + std::string("exam.wav"));
    }
    void SetRules(std::vector<CalendarRule> rules) {
        state.CalendarRules = std::move(rules);
        engine.CalendarChanged();
    }
};

TEST_F(CalendarEngineTest, ADayWithoutBellsRingsNothingButStillShutsDown) {
    state.SysConfig.ShutDown = "1";
    state.SysConfig.ShutDownTime = "17:30:00";
    SetRules({Rule(1, Day(2026, 12, 7), Day(2026, 12, 7), "0", "国庆节")});
    TickAt(7, 59, 59);
    EXPECT_EQ(status, "运行中    今日不打铃：国庆节    方案:P");
    TickAt(8, 0, 0);
    TickAt(8, 0, 2);  // a stall does not catch anything up either
    EXPECT_TRUE(Plays().empty());
    EXPECT_TRUE(ringStarted.empty());
    EXPECT_EQ(engine.GetNextRing().RINGFILE, "");
    TickAt(17, 30, 0);
    EXPECT_EQ(power.operations.size(), 1u);
    engine.SetRunning(false);
    TickAt(17, 31, 0);
    EXPECT_EQ(status, "停止中    方案:P");
}

TEST_F(CalendarEngineTest, AMakeUpDayRingsAsItsWeekday) {
    clock.Set(2026, 12, 12, 7, 0, 0);  // a Saturday taught as a Monday
    SetRules({Rule(1, Day(2026, 12, 12), Day(2026, 12, 12), "1", "补课", "1")});
    TickAt(7, 0, 0);
    EXPECT_EQ(status, "运行中    下一首播放曲目:早读   时间:08:00:00    方案:P（校历）");
    TickAt(8, 0, 0);
    TickAt(9, 0, 0);
    EXPECT_EQ(Plays(), std::vector<std::string>{kMusic + "weekday.wav"});
    EXPECT_EQ(ringStarted, std::vector<int>{1});
    EXPECT_EQ(status, "运行中    当天曲目已经播放完成    方案:P（校历）");
}

TEST_F(CalendarEngineTest, APlanDayRingsTheOtherPlanByTodaysFlags) {
    SetRules({Rule(1, Day(2026, 12, 7), Day(2026, 12, 8), "2", "期中考试", "", "考试")});
    TickAt(7, 0, 0);
    EXPECT_EQ(status, "运行中    下一首播放曲目:开考   时间:08:30:00    方案:考试（校历）");
    TickAt(8, 0, 0);
    TickAt(8, 30, 0);
    EXPECT_EQ(Plays(), std::vector<std::string>{kMusic + "exam.wav"});
    // A plan day whose plan is not in memory (deleted meanwhile) rings nothing.
    SetRules({Rule(1, Day(2026, 12, 7), Day(2026, 12, 8), "2", "", "", "没有了")});
    TickAt(8, 30, 0);
    EXPECT_EQ(Plays().size(), 1u);
}

TEST_F(CalendarEngineTest, TheRuleFollowsTheDateAtMidnightAndWhenTheClockIsSetBack) {
    SetRules({Rule(1, Day(2026, 12, 8), Day(2026, 12, 8), "0", "停电")});
    clock.Set(2026, 12, 7, 23, 59, 59);
    engine.Timer1Timer();
    EXPECT_EQ(status, "运行中    当天曲目已经播放完成    方案:P");
    clock.Advance(1);
    engine.Timer1Timer();
    EXPECT_EQ(status, "运行中    今日不打铃：停电    方案:P");
    EXPECT_EQ(engine.TodayRule()->ID, 1);
    clock.Set(2026, 12, 7, 7, 59, 0);  // set back a day
    engine.Timer1Timer();
    EXPECT_EQ(status, "运行中    下一首播放曲目:早读   时间:08:00:00    方案:P");
    EXPECT_FALSE(engine.TodayRule());
    TickAt(8, 0, 0);
    EXPECT_EQ(Plays().size(), 1u);
}

TEST_F(CalendarEngineTest, AReloadedCalendarAppliesAtOnce) {
    TickAt(7, 0, 0);
    EXPECT_EQ(status, "运行中    下一首播放曲目:早读   时间:08:00:00    方案:P");
    state.CalendarRules = {Rule(7, Day(2026, 12, 1), Day(2026, 12, 31), "0", "寒假")};
    engine.CalendarChanged();
    TickAt(7, 0, 2);
    EXPECT_EQ(status, "运行中    今日不打铃：寒假    方案:P");
}

}  // namespace
}  // namespace chimora::testing
