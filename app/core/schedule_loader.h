#pragma once

#include <string>
#include <vector>

#include "app/core/program_state.h"
#include "chimdb/chim_table.h"

namespace chimora {

class RingEngine;

// Connects the ring engine and the main window to the database file: the main window's two
// table cursors, the settings, the active plan's name, all entries of the active plan and
// the per-weekday view of them. Store errors are not caught here; they end the user's action.
class ScheduleLoader {
  public:
    static constexpr const char* kDatabaseFileName = "db.dll";
    static constexpr const char* kPassword = "Quartzfen47";
    static constexpr const char* kTextFormatLocale = "zh_CN";

    // appPath: the program folder, with its trailing separator. Sets the locale of the
    // store's time texts (see kTextFormatLocale).
    ScheduleLoader(ProgramState& state, RingEngine& engine, std::string appPath);

    // The main window's cursors: ring entries by "RINGTIME", settings by "ID".
    chimdb::ChimTable& ChimTable1() { return chimTable1_; }
    chimdb::ChimTable& ChimConfig() { return chimConfig_; }
    const std::string& AppPath() const { return appPath_; }

    void openChimTable1();
    void openChimConfig();
    // Fills SysConfig from the Config rows; a missing row leaves its field empty.
    void LoadConfigData();
    // The name of the first plan, in name order, marked active; empty when there is none.
    std::string GetActiveFangAn();
    // Rebuilds RingList from the active plan's entries (ring time order), then the calendar
    // (LoadCalendarToMem), then today's list. A load that fails part way keeps the previous
    // RingList whole; a calendar that fails to load leaves the new RingList in place.
    void LoadAllDataToMem();
    // Filters ChimTable1 to the active plan's entries whose flag WEEKn is "1".
    void LoadData(int weekday);
    // Reads the calendar's rules, and the entries of every other plan that a plan day
    // names, into the program state; the engine then finds today's rule afresh. Part of
    // LoadAllDataToMem, so that every reload of the schedule also reloads the calendar. A
    // file without the calendar table has no rules.
    void LoadCalendarToMem();

    // The open steps every table cursor of the program uses: close; database name = the
    // program folder + "db.dll"; table; index; password; open.
    static void OpenTable(chimdb::ChimTable& table, const std::string& appPath,
                          const std::string& tableName, const std::string& indexName);
    // "RINGPROJECT='<plan>'" with quotes inside the name doubled.
    static std::string PlanFilter(const std::string& plan);
    // The plan filter followed directly by "AND WEEKn='1'".
    static std::string DayFilter(const std::string& plan, int weekday);
    // Sets the filter text with whole-value comparison ("*" is no wildcard) and switches
    // filtering on; the same filter already in force is refreshed instead.
    static void ApplyFilter(chimdb::ChimTable& table, const std::string& filter);

  private:
    // The entries of plan, in ring time order, read through table (opened here).
    std::vector<RingObj> ReadPlanEntries(chimdb::ChimTable& table, const std::string& plan);

    ProgramState& state_;
    RingEngine& engine_;
    std::string appPath_;
    chimdb::ChimTable chimTable1_;
    chimdb::ChimTable chimConfig_;
};

}  // namespace chimora
