#pragma once

#include <map>
#include <string>
#include <vector>

#include "app/core/calendar_rule.h"
#include "app/core/config_obj.h"
#include "app/core/curr_ring_obj.h"
#include "app/core/ring_obj.h"
#include "app/core/silence_warnings.h"

namespace chimora {

// The state that lives as long as the program and is shared by the main window, the ring
// engine and the dialogs. Owned by the program, handed to whoever needs it.
struct ProgramState {
    std::string CurrFangAn;                 // name of the active plan
    std::vector<RingObj> RingList;          // all entries of the active plan, in ring time order
    std::vector<CurrRingObj> CurrRingList;  // today's entries, rebuilt at every use
    int TodayWeek = 0;                      // 1 = Monday ... 7 = Sunday
    ConfigObj SysConfig;
    std::string SelectedRingFile;  // RINGFILE of the grid row last clicked
    SilenceWarnings Warnings;      // what keeps a bell from ringing, while it lasts
    // The school calendar, in memory so that the tick never reads a table: every rule, and
    // the entries of each plan that a plan day names (the active plan's are RingList).
    std::vector<CalendarRule> CalendarRules;
    std::map<std::string, std::vector<RingObj>> CalendarPlans;
};

}  // namespace chimora
