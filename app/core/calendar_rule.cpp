#include "app/core/calendar_rule.h"

namespace chimora {

int CalendarRule::MakeUpWeekday() const {
    if (WEEKDAY.size() != 1 || WEEKDAY[0] < '1' || WEEKDAY[0] > '7')
        return 0;
    return WEEKDAY[0] - '0';
}

bool CalendarRule::Usable() const {
    if (DAYTO < DAYFROM)
        return false;
    if (KIND == kNoBells)
        return true;
    if (KIND == kMakeUp)
        return MakeUpWeekday() != 0;
    if (KIND == kPlanDay)
        return !FANGAN.empty();
    return false;
}

}  // namespace chimora
