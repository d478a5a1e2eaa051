#include "app/core/schedule_loader.h"

#include <map>
#include <utility>
#include <vector>

#include "app/core/calendar_table.h"
#include "app/core/ring_engine.h"
#include "chimdb/database_error.h"
#include "chimdb/text_format_locale.h"

namespace chimora {

namespace {

constexpr const char* kRingTable = "Ring1_7";
constexpr const char* kConfigTable = "Config";
constexpr const char* kPlanTable = "FANGAN";

std::string Text(const chimdb::ChimTable& table, const char* field) {
    return table.FieldByName(field).AsString();
}

// The fields of a plan entry that the in-memory list holds, looked up once per load.
class PlanEntryReader {
  public:
    explicit PlanEntryReader(const chimdb::ChimTable& table)
        : file_(table.FieldByName("RINGFILE")),
          time_(table.FieldByName("RINGTIME")),
          desc_(table.FieldByName("RINGDESC")),
          volume_(table.FieldByName("RINGVOLUME")) {
        for (int weekday = 1; weekday <= 7; ++weekday)
            week_[weekday - 1] = &table.FieldByName("WEEK" + std::to_string(weekday));
    }

    RingObj Read() const {
        RingObj ring;
        for (int weekday = 1; weekday <= 7; ++weekday)
            ring.WeekFlag(weekday) = week_[weekday - 1]->AsString();
        ring.RINGFILE = file_.AsString();
        ring.RINGTIME = time_.AsString();
        ring.RINGDESC = desc_.AsString();
        ring.RINGVOLUME = volume_.AsString();
        return ring;
    }

  private:
    const chimdb::Field& file_;
    const chimdb::Field& time_;
    const chimdb::Field& desc_;
    const chimdb::Field& volume_;
    const chimdb::Field* week_[7] = {};
};

}  // namespace

ScheduleLoader::ScheduleLoader(ProgramState& state, RingEngine& engine, std::string appPath)
    : state_(state), engine_(engine), appPath_(std::move(appPath)) {
    // Ring and shutdown times are read and written as "hh:mm:ss" text, the time form of the
    // Chinese locale that the schedule is kept in; under the desktop's own locale a time
    // could read "9:45:00 AM" and never equal the clock.
    chimdb::SetTextFormatLocale(kTextFormatLocale);
}

void ScheduleLoader::OpenTable(chimdb::ChimTable& table, const std::string& appPath,
                               const std::string& tableName, const std::string& indexName) {
    table.Close();
    table.SetDatabaseName(appPath + kDatabaseFileName);
    table.SetTableName(tableName);
    table.SetIndexName(indexName);
    table.SetPassword(kPassword);
    table.Open();
}

std::string ScheduleLoader::PlanFilter(const std::string& plan) {
    std::string quoted;
    quoted.reserve(plan.size() + 2);
    for (char c : plan) {
        quoted += c;
        if (c == '\'')
            quoted += '\'';
    }
    return "RINGPROJECT='" + quoted + "'";
}

std::string ScheduleLoader::DayFilter(const std::string& plan, int weekday) {
    return PlanFilter(plan) + "AND WEEK" + std::to_string(weekday) + "='1'";
}

void ScheduleLoader::ApplyFilter(chimdb::ChimTable& table, const std::string& filter) {
    chimdb::FilterOptions options;
    options.noPartialCompare = true;
    if (table.Filtered() && table.Filter() == filter && table.GetFilterOptions() == options) {
        table.Refresh();
        return;
    }
    // Each of these steps runs the filter over the whole table when filtering is on; with it
    // off they only take the settings, and switching it on filters once.
    if (table.Filtered())
        table.SetFiltered(false);
    table.SetFilterOptions(options);
    table.SetFilter(filter);
    table.SetFiltered(true);
}

void ScheduleLoader::openChimTable1() {
    // Every caller sets its own filter right after opening, so the cursor opens without the
    // previous one instead of filtering the whole table for nothing.
    chimTable1_.Close();
    chimTable1_.SetFiltered(false);
    OpenTable(chimTable1_, appPath_, kRingTable, "RINGTIME");
}

void ScheduleLoader::openChimConfig() {
    OpenTable(chimConfig_, appPath_, kConfigTable, "ID");
}

void ScheduleLoader::Reading(Read kind, const std::function<void()>& read) {
    std::string& error = readErrors_[kind];
    try {
        read();
        error.clear();
    } catch (const chimdb::DatabaseError& failure) {
        error = failure.what();
        if (readListener_)
            readListener_(error);
        throw;
    }
    if (readListener_) {
        std::string first;
        for (const std::string& other : readErrors_) {
            if (first.empty())
                first = other;
        }
        readListener_(first);
    }
}

void ScheduleLoader::LoadConfigData() {
    Reading(kConfig, [this] { ReadConfig(); });
}

void ScheduleLoader::ReadConfig() {
    openChimConfig();
    chimConfig_.First();
    const std::int32_t count = chimConfig_.RecordCount();
    for (std::int32_t i = 0; i < count && !chimConfig_.Eof(); ++i) {
        const std::string id = Text(chimConfig_, "SYS_ID");
        if (id == "AUTORUN")
            state_.SysConfig.AutoRun = Text(chimConfig_, "SYS_VALUE");
        else if (id == "SHUTDOWN")
            state_.SysConfig.ShutDown = Text(chimConfig_, "SYS_VALUE");
        else if (id == "SHUTDOWNDTTM")
            state_.SysConfig.ShutDownTime = Text(chimConfig_, "SYS_VALUE");
        chimConfig_.Next();
    }
}

std::string ScheduleLoader::GetActiveFangAn() {
    std::string active;
    Reading(kPlans, [this, &active] { active = ReadActiveFangAn(); });
    return active;
}

std::string ScheduleLoader::ReadActiveFangAn() {
    chimdb::ChimTable plans;
    OpenTable(plans, appPath_, kPlanTable, "NAME");
    plans.First();
    const std::int32_t count = plans.RecordCount();
    for (std::int32_t i = 0; i < count && !plans.Eof(); ++i) {
        if (Text(plans, "ISACTIVE") == "1")
            return Text(plans, "NAME");
        plans.Next();
    }
    plans.Close();
    return {};
}

std::vector<RingObj> ScheduleLoader::ReadPlanEntries(chimdb::ChimTable& table,
                                                     const std::string& plan) {
    ApplyFilter(table, PlanFilter(plan));
    std::vector<RingObj> loaded;
    const std::int32_t count = table.RecordCount();
    loaded.reserve(static_cast<std::size_t>(count > 0 ? count : 0));
    const PlanEntryReader reader(table);
    table.First();
    for (std::int32_t i = 0; i < count && !table.Eof(); ++i) {
        loaded.push_back(reader.Read());
        table.Next();
    }
    return loaded;
}

void ScheduleLoader::LoadAllDataToMem() {
    Reading(kEntries, [this] { ReadAllData(); });
}

void ScheduleLoader::ReadAllData() {
    openChimTable1();
    // Built aside and swapped in whole: a read error half way must not leave the bell
    // with half a schedule.
    std::vector<RingObj> loaded = ReadPlanEntries(chimTable1_, state_.CurrFangAn);
    state_.RingList = std::move(loaded);
    // After the plan is in place: a calendar that cannot be read must not leave the bell
    // without its schedule. Its error still ends the load and is shown.
    LoadCalendarToMem();
    engine_.GetCurrentData();
}

void ScheduleLoader::LoadCalendarToMem() {
    std::vector<CalendarRule> rules = CalendarTable(appPath_).LoadRules();
    std::map<std::string, std::vector<RingObj>> plans;
    chimdb::ChimTable entries;
    for (const CalendarRule& rule : rules) {
        if (rule.KIND != CalendarRule::kPlanDay || rule.FANGAN == state_.CurrFangAn ||
            plans.count(rule.FANGAN) != 0)
            continue;
        if (!entries.Active())
            OpenTable(entries, appPath_, kRingTable, "RINGTIME");
        plans[rule.FANGAN] = ReadPlanEntries(entries, rule.FANGAN);
    }
    entries.Close();
    state_.CalendarRules = std::move(rules);
    state_.CalendarPlans = std::move(plans);
    engine_.CalendarChanged();
}

void ScheduleLoader::LoadData(int weekday) {
    Reading(kDay, [this, weekday] {
        openChimTable1();
        ApplyFilter(chimTable1_, DayFilter(state_.CurrFangAn, weekday));
    });
}

}  // namespace chimora
