#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/core/calendar_rule.h"

namespace chimora {

// An iCalendar text that cannot be read; what() is libical's own account of it.
class ICalendarError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The school calendar as iCalendar (RFC 5545), through libical. Schools receive their
// holidays in this form, and other calendar programs read what the bell program writes.
class ICalendarFile {
  public:
    static constexpr const char* kUnreadable = "无法读取该iCalendar文件，没有导入任何规则。\n";
    static constexpr const char* kNothingToImport =
        "该iCalendar文件中没有新的日程可以导入（可能已经导入过）。";
    static constexpr const char* kExported = "校历已导出到：";
    // Recurring events are expanded over this many days from today.
    static constexpr std::int32_t kExpansionDays = 731;

    // The rules the events of text become: each event one rule over the days it covers (an
    // all-day DTEND is the day after the last), its SUMMARY the note (cut to the note's width
    // at a character boundary). An event written by Export keeps its kind and weekday or
    // plan; any other is a day without bells. A recurring event gives one rule per
    // occurrence that ends on or after today and starts within kExpansionDays of it.
    // Raises ICalendarError, and gives nothing, for a text libical cannot parse or that
    // holds lines it had to reject.
    static std::vector<CalendarRule> Parse(const std::string& text, std::int32_t today);
    static std::vector<CalendarRule> ReadFile(const std::string& path, std::int32_t today);

    // Every rule as an all-day event: the kind and the weekday or plan in CATEGORIES, for
    // people, and in X-CHIMORA-KIND, X-CHIMORA-WEEKDAY, X-CHIMORA-FANGAN, for the import.
    static std::string Write(const std::vector<CalendarRule>& rules);
    // Written to a temporary name and renamed, so that a failed export leaves no half file.
    static void WriteFile(const std::string& path, const std::vector<CalendarRule>& rules);

    // The question shown before an import: what will be added.
    static std::string Preview(const std::vector<CalendarRule>& rules);
};

}  // namespace chimora
