#include "app/core/calendar_rule_check.h"

#include <algorithm>

#include "app/core/school_calendar.h"
#include "app/core/store_text.h"

namespace chimora {

std::optional<std::string> CalendarRuleCheck::Check(const CalendarRule& rule,
                                                    const std::vector<std::string>& plans) {
    if (rule.DAYTO < rule.DAYFROM)
        return kToBeforeFrom;
    if (rule.KIND == CalendarRule::kMakeUp && rule.MakeUpWeekday() == 0)
        return kNoWeekday;
    if (rule.KIND == CalendarRule::kPlanDay &&
        (rule.FANGAN.empty() || std::find(plans.begin(), plans.end(), rule.FANGAN) == plans.end()))
        return kNoPlan;
    if (!StoreText::Fits(rule.NOTE))
        return kNoteNotStorable;
    if (StoreText::Width(rule.NOTE) > kNoteWidth)
        return kNoteTooLong;
    return std::nullopt;
}

std::optional<CalendarRule> CalendarRuleCheck::SameRange(const CalendarRule& rule,
                                                         const std::vector<CalendarRule>& rules,
                                                         std::int32_t except) {
    for (const CalendarRule& other : rules) {
        if (other.ID != except && other.DAYFROM == rule.DAYFROM && other.DAYTO == rule.DAYTO)
            return other;
    }
    return std::nullopt;
}

std::string CalendarRuleCheck::ReplaceQuestion(const CalendarRule& existing) {
    return "已经有一条日期完全相同的规则（" + SchoolCalendar::RangeText(existing) + "，" +
           SchoolCalendar::Describe(existing) + "），要用新的规则替换它吗？";
}

CalendarRule CalendarRuleCheck::Normalized(CalendarRule rule) {
    if (rule.KIND != CalendarRule::kMakeUp)
        rule.WEEKDAY.clear();
    if (rule.KIND != CalendarRule::kPlanDay)
        rule.FANGAN.clear();
    return rule;
}

}  // namespace chimora
