#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/core/calendar_rule.h"

namespace chimora {

// The checks of a calendar rule before it is written, in the order the dialog runs them;
// each failure has the message the user sees.
class CalendarRuleCheck {
  public:
    static constexpr const char* kToBeforeFrom = "结束日期不能早于开始日期，请重新选择日期！";
    static constexpr const char* kNoWeekday = "调休日请选择按星期几打铃！";
    static constexpr const char* kNoPlan = "请选择一个已有的方案，这些日子将按该方案打铃！";
    static constexpr const char* kNoteTooLong =
        "备注太长：最多32个字符（一个汉字算两个字符），请改短后再保存！";
    static constexpr const char* kNoteNotStorable =
        "备注中有无法保存的字符（例如表情符号），请删除这些字符后再保存！";
    static constexpr std::size_t kNoteWidth = 32;

    // The first check that fails, or nothing: to-date before from-date, a make-up day
    // without a weekday, a plan day whose plan is not among plans, a note that does not
    // fit NOTE.
    static std::optional<std::string> Check(const CalendarRule& rule,
                                            const std::vector<std::string>& plans);
    // The rule among rules, other than the one with ID except, that covers exactly the same
    // days; nothing when there is none.
    static std::optional<CalendarRule> SameRange(const CalendarRule& rule,
                                                 const std::vector<CalendarRule>& rules,
                                                 std::int32_t except = 0);
    // The question that offers to replace it.
    static std::string ReplaceQuestion(const CalendarRule& existing);
    // The rule as it is stored: only the field its kind uses is kept (a make-up day keeps its
    // weekday, a plan day its plan), so that a changed kind leaves nothing stale behind.
    static CalendarRule Normalized(CalendarRule rule);
};

}  // namespace chimora
