// iCalendar files as schools receive them and as the program writes them, written here by
// hand: all-day and timed events, a vacation across the year end, recurrences, broken files.

#include "app/core/ical_calendar.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/core/school_calendar.h"

namespace chimora::testing {
namespace {

std::int32_t Day(int year, int month, int day) {
    return SchoolCalendar::DayOf(year, month, day);
}

std::string Calendar(const std::string& events) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//Bureau//ZH\r\n" + events +
           "END:VCALENDAR\r\n";
}

std::string Event(const std::string& lines) {
    return "BEGIN:VEVENT\r\nUID:" + std::to_string(std::hash<std::string>{}(lines)) +
           "@test\r\nDTSTAMP:20260901T000000Z\r\n" + lines + "END:VEVENT\r\n";
}

// (from, to, kind, note) of each rule.
using Brief = std::tuple<std::int32_t, std::int32_t, std::string, std::string>;
std::vector<Brief> Briefs(const std::vector<CalendarRule>& rules) {
    std::vector<Brief> briefs;
    for (const auto& rule : rules)
        briefs.emplace_back(rule.DAYFROM, rule.DAYTO, rule.KIND, rule.NOTE);
    return briefs;
}

const std::int32_t kToday = Day(2026, 12, 7);

TEST(ICalendarTest, EventsBecomeDaysWithoutBells) {
    const std::string text = Calendar(
        Event("DTSTART;VALUE=DATE:20261001\r\nDTEND;VALUE=DATE:20261008\r\nSUMMARY:国庆节\r\n") +
        // A vacation across the year end; DTEND is the day after the last.
        Event("DTSTART;VALUE=DATE:20261230\r\nDTEND;VALUE=DATE:20270103\r\nSUMMARY:元旦\r\n") +
        // One day, given without DTEND.
        Event("DTSTART;VALUE=DATE:20270405\r\nSUMMARY:清明节\r\n") +
        // A timed event covers the days it touches; ending at midnight, not the next one.
        Event("DTSTART:20261211T080000\r\nDTEND:20261211T120000\r\nSUMMARY:停电检修\r\n") +
        Event("DTSTART:20261212T000000\r\nDTEND:20261214T000000\r\n"));
    EXPECT_EQ(Briefs(ICalendarFile::Parse(text, kToday)),
              (std::vector<Brief>{{Day(2026, 10, 1), Day(2026, 10, 7), "0", "国庆节"},
                                  {Day(2026, 12, 30), Day(2027, 1, 2), "0", "元旦"},
                                  {Day(2027, 4, 5), Day(2027, 4, 5), "0", "清明节"},
                                  {Day(2026, 12, 11), Day(2026, 12, 11), "0", "停电检修"},
                                  {Day(2026, 12, 12), Day(2026, 12, 13), "0", ""}}));
}

TEST(ICalendarTest, SummariesAreCutToTheNoteAtACharacterBoundary) {
    const std::string text = Calendar(
        Event("DTSTART;VALUE=DATE:20261001\r\nSUMMARY:"
              "中华人民共和国成立七十七周年国庆节放假安排\r\n") +
        Event(
            "DTSTART;VALUE=DATE:20261002\r\nSUMMARY:Sports day 🏃 in the big stadium of town\r\n"));
    const auto rules = ICalendarFile::Parse(text, kToday);
    ASSERT_EQ(rules.size(), 2u);
    EXPECT_EQ(rules[0].NOTE, "中华人民共和国成立七十七周年国庆");  // 16 characters, 32 bytes
    EXPECT_EQ(rules[1].NOTE, "Sports day  in the big stadium o");  // the emoji has no place
}

TEST(ICalendarTest, RecurrencesAreExpandedOverTheComingTwoYears) {
    const std::string text = Calendar(
        // Every first of May since 2020, for ever: the past ones are left out.
        Event("DTSTART;VALUE=DATE:20200501\r\nDTEND;VALUE=DATE:20200504\r\n"
              "RRULE:FREQ=YEARLY\r\nSUMMARY:劳动节\r\n") +
        // Weekly on Fridays, three times, one of them excluded.
        Event("DTSTART;VALUE=DATE:20261211\r\nRRULE:FREQ=WEEKLY;COUNT=3\r\n"
              "EXDATE;VALUE=DATE:20261218\r\nSUMMARY:教研\r\n"));
    EXPECT_EQ(Briefs(ICalendarFile::Parse(text, kToday)),
              (std::vector<Brief>{{Day(2027, 5, 1), Day(2027, 5, 3), "0", "劳动节"},
                                  {Day(2028, 5, 1), Day(2028, 5, 3), "0", "劳动节"},
                                  {Day(2026, 12, 11), Day(2026, 12, 11), "0", "教研"},
                                  {Day(2026, 12, 25), Day(2026, 12, 25), "0", "教研"}}));
    // A daily rule without end stops at the horizon.
    const auto daily = ICalendarFile::Parse(
        Calendar(Event("DTSTART;VALUE=DATE:20261207\r\nRRULE:FREQ=DAILY\r\n")), kToday);
    EXPECT_EQ(daily.size(), static_cast<std::size_t>(ICalendarFile::kExpansionDays));
}

TEST(ICalendarTest, FilesThatDoNotParseAreRefused) {
    for (const std::string& broken :
         {std::string("this is no calendar\r\n"), std::string(""),
          Calendar(Event("DTSTART;VALUE=DATE:next friday\r\nSUMMARY:bad date\r\n")),
          Calendar(Event("DTSTART;VALUE=DATE:20261001\r\nRRULE:FREQ=SOMETIMES\r\n")),
          Calendar(Event("SUMMARY:no start\r\n")),
          // Cut off in the middle of an event.
          Calendar(Event("DTSTART;VALUE=DATE:20261001\r\n")).substr(0, 90),
          std::string("BEGIN:VEVENT\r\nDTSTART;VALUE=DATE:20261001\r\nEND:VEVENT\r\n")}) {
        SCOPED_TRACE(broken);
        try {
            const auto rules = ICalendarFile::Parse(broken, kToday);
            ADD_FAILURE() << "accepted, " << rules.size() << " rules";
        } catch (const ICalendarError& error) {
            EXPECT_STRNE(error.what(), "");
        }
    }
    EXPECT_THROW(ICalendarFile::ReadFile("/nonexistent/calendar.ics", kToday), ICalendarError);
}

TEST(ICalendarTest, AnExportImportsBackToTheSameRules) {
    auto rule = [](std::int32_t id, std::int32_t from, std::int32_t to, const char* kind,
                   const char* note, const char* weekday, const char* plan) {
        CalendarRule r;
        r.ID = id;
        r.DAYFROM = from;
        r.DAYTO = to;
        r.KIND = kind;
        r.NOTE = note;
        r.WEEKDAY = weekday;
        r.FANGAN = plan;
        return r;
    };
    const std::vector<CalendarRule> rules = {
        rule(1, Day(2026, 12, 30), Day(2027, 1, 2), "0", "元旦, 放假; 三天", "", ""),
        rule(2, Day(2026, 10, 10), Day(2026, 10, 10), "1", "补10月7日的课", "3", ""),
        rule(3, Day(2026, 11, 5), Day(2026, 11, 6), "2", "", "", "考试,期中"),
    };
    const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                       ("calendar-" + std::to_string(::getpid()) + ".ics");
    ICalendarFile::WriteFile(path.string(), rules);
    std::vector<CalendarRule> back = ICalendarFile::ReadFile(path.string(), kToday);
    std::filesystem::remove(path);
    ASSERT_EQ(back.size(), rules.size());
    for (std::size_t i = 0; i < rules.size(); ++i) {
        back[i].ID = rules[i].ID;
        EXPECT_EQ(back[i], rules[i]) << i;
    }
    const std::string text = ICalendarFile::Write(rules);
    EXPECT_NE(text.find("DTSTART;VALUE=DATE:20261230"), std::string::npos);
    EXPECT_NE(text.find("DTEND;VALUE=DATE:20270103"), std::string::npos);
    EXPECT_NE(text.find("X-CHIMORA-KIND:1"), std::string::npos);
    EXPECT_NE(text.find("CATEGORIES:调休,星期三"), std::string::npos);
}

TEST(ICalendarTest, ThePreviewListsWhatWillBeAdded) {
    CalendarRule rule;
    rule.DAYFROM = Day(2026, 10, 1);
    rule.DAYTO = Day(2026, 10, 7);
    rule.KIND = "0";
    rule.NOTE = "国庆节";
    EXPECT_EQ(ICalendarFile::Preview({rule}),
              "将添加以下1条校历规则：\n2026-10-01 至 2026-10-07  不打铃：国庆节\n确认导入吗？");
    const std::string many = ICalendarFile::Preview(std::vector<CalendarRule>(25, rule));
    EXPECT_NE(many.find("……另有5条"), std::string::npos);
}

}  // namespace
}  // namespace chimora::testing
