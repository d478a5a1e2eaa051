#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/core/calendar_rule.h"
#include "chimdb/chim_table.h"
#include "chimdb/database_schema.h"

namespace chimora {

// The calendar's rules in table "Calendar" of db.dll, read and written through a cursor of
// its own by the program's open steps.
class CalendarTable {
  public:
    static constexpr const char* kTableName = "Calendar";

    // The table exactly as other tools expect to find it.
    static chimdb::TableSchema Schema();
    // Adds the table to the program's db.dll when the file was made without it. True when
    // it added it. Raises the store's error when the file cannot be changed.
    static bool EnsureTable(const std::string& appPath);

    explicit CalendarTable(std::string appPath);

    // Every rule in DAYFROM order; none when the file has no calendar table (it could not be
    // added, for instance to a read-only file).
    std::vector<CalendarRule> LoadRules();
    // Appends the rule; returns the ID the store gave it.
    std::int32_t Add(const CalendarRule& rule);
    // Writes the fields of the rule whose ID is rule.ID. False when there is none.
    bool Update(const CalendarRule& rule);
    // False when there is no rule with that ID.
    bool Delete(std::int32_t id);
    // The plan of every plan day that names oldName becomes newName.
    void RenamePlan(const std::string& oldName, const std::string& newName);
    // The rules whose plan is name (plan days), in DAYFROM order.
    std::vector<CalendarRule> RulesNaming(const std::string& name);
    void DeleteRulesNaming(const std::string& name);

  private:
    // False when the file has no calendar table.
    bool Open(const char* index);
    bool FindId(std::int32_t id);
    CalendarRule ReadCurrent() const;
    void WriteCurrent(const CalendarRule& rule);

    std::string appPath_;
    chimdb::ChimTable table_;
};

}  // namespace chimora
