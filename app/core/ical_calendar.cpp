#include "app/core/ical_calendar.h"

#include <libical/ical.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>

#include "app/core/calendar_rule_check.h"
#include "app/core/school_calendar.h"
#include "app/core/store_text.h"
#include "chimdb/date_time_codec.h"

namespace chimora {

namespace {

constexpr const char* kKindProperty = "X-CHIMORA-KIND";
constexpr const char* kWeekdayProperty = "X-CHIMORA-WEEKDAY";
constexpr const char* kPlanProperty = "X-CHIMORA-FANGAN";
// Occurrences of one recurring event at most, so that a rule repeating every minute
// cannot make the import run for ever.
constexpr int kMaxOccurrences = 5000;

struct ComponentFree {
    void operator()(icalcomponent* component) const { icalcomponent_free(component); }
};
using Component = std::unique_ptr<icalcomponent, ComponentFree>;

std::int32_t DayOf(const icaltimetype& time) {
    return SchoolCalendar::DayOf(time.year, time.month, time.day);
}

icaltimetype DateOf(std::int32_t day) {
    const chimdb::CivilDate date = chimdb::DateFromDayNumber(day);
    icaltimetype time = icaltime_null_date();
    time.year = date.year;
    time.month = date.month;
    time.day = date.day;
    return time;
}

// The last day an event from start to end covers: an end is exclusive when it is a date
// or midnight; an event without an end covers its first day only.
std::int32_t LastDay(const icaltimetype& start, const icaltimetype& end) {
    const std::int32_t first = DayOf(start);
    if (icaltime_is_null_time(end))
        return first;
    std::int32_t last = DayOf(end);
    const bool endsAtMidnight =
        end.is_date || (end.hour == 0 && end.minute == 0 && end.second == 0);
    if (endsAtMidnight && last > first)
        --last;
    return last < first ? first : last;
}

// The first error line libical kept inside the tree, if any.
std::string FirstError(icalcomponent* component) {
    for (icalproperty* p = icalcomponent_get_first_property(component, ICAL_XLICERROR_PROPERTY);
         p != nullptr; p = icalcomponent_get_next_property(component, ICAL_XLICERROR_PROPERTY)) {
        const char* text = icalproperty_get_xlicerror(p);
        return text ? text : "parse error";
    }
    for (icalcomponent* child = icalcomponent_get_first_component(component, ICAL_ANY_COMPONENT);
         child != nullptr;
         child = icalcomponent_get_next_component(component, ICAL_ANY_COMPONENT)) {
        std::string error = FirstError(child);
        if (!error.empty())
            return error;
    }
    return {};
}

Component ParseCalendar(const std::string& text) {
    icalerror_set_errors_are_fatal(0);
    icalerror_clear_errno();
    Component root(icalparser_parse_string(text.c_str()));
    if (!root) {
        const char* reason = icalerrno != ICAL_NO_ERROR ? icalerror_strerror(icalerrno) : nullptr;
        throw ICalendarError(reason ? reason : "no iCalendar data found");
    }
    if (icalcomponent_isa(root.get()) != ICAL_VCALENDAR_COMPONENT)
        throw ICalendarError("the file holds no VCALENDAR");
    if (const std::string error = FirstError(root.get()); !error.empty())
        throw ICalendarError(error);
    return root;
}

// The rule an event stands for, without its days: kind, weekday, plan and note.
CalendarRule RuleOfEvent(icalcomponent* event) {
    CalendarRule rule;
    rule.KIND = CalendarRule::kNoBells;
    for (icalproperty* p = icalcomponent_get_first_property(event, ICAL_X_PROPERTY); p != nullptr;
         p = icalcomponent_get_next_property(event, ICAL_X_PROPERTY)) {
        const char* name = icalproperty_get_x_name(p);
        const char* value = icalproperty_get_x(p);
        if (!name || !value)
            continue;
        if (std::string(name) == kKindProperty)
            rule.KIND = value;
        else if (std::string(name) == kWeekdayProperty)
            rule.WEEKDAY = value;
        else if (std::string(name) == kPlanProperty)
            rule.FANGAN = StoreText::CutToWidth(value, 20);
    }
    if (rule.KIND != CalendarRule::kMakeUp && rule.KIND != CalendarRule::kPlanDay)
        rule.KIND = CalendarRule::kNoBells;
    const char* summary = icalcomponent_get_summary(event);
    rule.NOTE = StoreText::CutToWidth(summary ? summary : "", CalendarRuleCheck::kNoteWidth);
    return CalendarRuleCheck::Normalized(std::move(rule));
}

std::set<std::int32_t> ExcludedDays(icalcomponent* event) {
    std::set<std::int32_t> days;
    for (icalproperty* p = icalcomponent_get_first_property(event, ICAL_EXDATE_PROPERTY);
         p != nullptr; p = icalcomponent_get_next_property(event, ICAL_EXDATE_PROPERTY))
        days.insert(DayOf(icalproperty_get_exdate(p)));
    return days;
}

void AddOccurrences(icalcomponent* event, const CalendarRule& base, std::int32_t length,
                    std::int32_t today, std::vector<CalendarRule>& rules) {
    const icaltimetype start = icalcomponent_get_dtstart(event);
    const std::set<std::int32_t> excluded = ExcludedDays(event);
    const std::int32_t horizon = today + ICalendarFile::kExpansionDays;
    for (icalproperty* p = icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY);
         p != nullptr; p = icalcomponent_get_next_property(event, ICAL_RRULE_PROPERTY)) {
        icalrecur_iterator* it = icalrecur_iterator_new(icalproperty_get_rrule(p), start);
        if (!it)
            throw ICalendarError(icalerror_strerror(icalerrno));
        int count = 0;
        for (icaltimetype next = icalrecur_iterator_next(it);
             !icaltime_is_null_time(next) && count < kMaxOccurrences;
             next = icalrecur_iterator_next(it), ++count) {
            const std::int32_t first = DayOf(next);
            if (first >= horizon)
                break;
            if (first + length < today || excluded.count(first) != 0)
                continue;
            CalendarRule rule = base;
            rule.DAYFROM = first;
            rule.DAYTO = first + length;
            rules.push_back(std::move(rule));
        }
        icalrecur_iterator_free(it);
    }
}

icalproperty* XProperty(const char* name, const std::string& value) {
    icalproperty* property = icalproperty_new_x(value.c_str());
    icalproperty_set_x_name(property, name);
    return property;
}

std::string Categories(const CalendarRule& rule) {
    if (rule.KIND == CalendarRule::kMakeUp)
        return "调休," + SchoolCalendar::WeekdayName(rule.MakeUpWeekday());
    if (rule.KIND == CalendarRule::kPlanDay)
        return "方案," + rule.FANGAN;
    return "不打铃";
}

icalcomponent* EventOf(const CalendarRule& rule, const icaltimetype& stamp) {
    icalcomponent* event = icalcomponent_new_vevent();
    icalcomponent_add_property(
        event, icalproperty_new_uid(("chimora-calendar-" + std::to_string(rule.ID) + "-" +
                                     SchoolCalendar::DateText(rule.DAYFROM) + "@chimora")
                                        .c_str()));
    icalcomponent_add_property(event, icalproperty_new_dtstamp(stamp));
    icalcomponent_add_property(event, icalproperty_new_dtstart(DateOf(rule.DAYFROM)));
    icalcomponent_add_property(event, icalproperty_new_dtend(DateOf(rule.DAYTO + 1)));
    if (!rule.NOTE.empty())
        icalcomponent_add_property(event, icalproperty_new_summary(rule.NOTE.c_str()));
    icalcomponent_add_property(event, icalproperty_new_categories(Categories(rule).c_str()));
    icalcomponent_add_property(event, XProperty(kKindProperty, rule.KIND));
    if (rule.KIND == CalendarRule::kMakeUp)
        icalcomponent_add_property(event, XProperty(kWeekdayProperty, rule.WEEKDAY));
    if (rule.KIND == CalendarRule::kPlanDay)
        icalcomponent_add_property(event, XProperty(kPlanProperty, rule.FANGAN));
    return event;
}

}  // namespace

std::vector<CalendarRule> ICalendarFile::Parse(const std::string& text, std::int32_t today) {
    Component root = ParseCalendar(text);
    std::vector<CalendarRule> rules;
    for (icalcomponent* event =
             icalcomponent_get_first_component(root.get(), ICAL_VEVENT_COMPONENT);
         event != nullptr;
         event = icalcomponent_get_next_component(root.get(), ICAL_VEVENT_COMPONENT)) {
        const icaltimetype start = icalcomponent_get_dtstart(event);
        if (icaltime_is_null_time(start))
            throw ICalendarError("an event has no DTSTART");
        const CalendarRule base = RuleOfEvent(event);
        const std::int32_t length = LastDay(start, icalcomponent_get_dtend(event)) - DayOf(start);
        if (icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY) != nullptr) {
            AddOccurrences(event, base, length, today, rules);
            continue;
        }
        CalendarRule rule = base;
        rule.DAYFROM = DayOf(start);
        rule.DAYTO = rule.DAYFROM + length;
        rules.push_back(std::move(rule));
    }
    return rules;
}

std::vector<CalendarRule> ICalendarFile::ReadFile(const std::string& path, std::int32_t today) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw ICalendarError("cannot open " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return Parse(text.str(), today);
}

std::string ICalendarFile::Write(const std::vector<CalendarRule>& rules) {
    Component calendar(icalcomponent_new_vcalendar());
    icalcomponent_add_property(calendar.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(calendar.get(),
                               icalproperty_new_prodid("-//Chimora//School calendar//ZH"));
    const icaltimetype stamp = icaltime_current_time_with_zone(icaltimezone_get_utc_timezone());
    for (const CalendarRule& rule : rules)
        icalcomponent_add_component(calendar.get(), EventOf(rule, stamp));
    char* text = icalcomponent_as_ical_string_r(calendar.get());
    std::string result(text ? text : "");
    icalmemory_free_buffer(text);
    return result;
}

void ICalendarFile::WriteFile(const std::string& path, const std::vector<CalendarRule>& rules) {
    const std::string text = Write(rules);
    const std::string partial = path + ".partial";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out << text;
        out.flush();
        if (!out) {
            std::remove(partial.c_str());
            throw ICalendarError("cannot write " + path);
        }
    }
    std::error_code error;
    std::filesystem::rename(partial, path, error);
    if (error) {
        std::remove(partial.c_str());
        throw ICalendarError("cannot write " + path + ": " + error.message());
    }
}

std::string ICalendarFile::Preview(const std::vector<CalendarRule>& rules) {
    constexpr std::size_t kShown = 20;
    std::string text = "将添加以下" + std::to_string(rules.size()) + "条校历规则：\n";
    for (std::size_t i = 0; i < rules.size() && i < kShown; ++i)
        text +=
            SchoolCalendar::RangeText(rules[i]) + "  " + SchoolCalendar::Describe(rules[i]) + "\n";
    if (rules.size() > kShown)
        text += "……另有" + std::to_string(rules.size() - kShown) + "条\n";
    return text + "确认导入吗？";
}

}  // namespace chimora
