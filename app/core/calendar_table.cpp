#include "app/core/calendar_table.h"

#include <cmath>
#include <utility>

#include "app/core/schedule_loader.h"
#include "chimdb/database_error.h"
#include "chimdb/date_time_codec.h"
#include "chimdb/field_type.h"
#include "chimdb/table_addition.h"

namespace chimora {

namespace {

// The store's own words for a table the file does not have; Add uses them too, so that a
// missing calendar table reads the same wherever it is met.
constexpr char kMsgTableNotFound[] = "Table '%s' not found";

chimdb::FieldSchema Field(const char* name, chimdb::FieldType type, std::int32_t size = 0) {
    return {name, static_cast<std::uint8_t>(type), size, 0};
}

// Dates go through the cursor as days since 30 December 1899.
std::int32_t ReadDay(const chimdb::Field& field) {
    return static_cast<std::int32_t>(std::lround(field.AsDateTime())) +
           chimdb::kDayNumberOf18991230;
}

void WriteDay(chimdb::Field& field, std::int32_t day) {
    field.SetAsDateTime(static_cast<double>(day - chimdb::kDayNumberOf18991230));
}

}  // namespace

chimdb::TableSchema CalendarTable::Schema() {
    using chimdb::FieldType;
    return {kTableName,
            {Field("ID", FieldType::ftAutoInc), Field("DAYFROM", FieldType::ftDate),
             Field("DAYTO", FieldType::ftDate), Field("KIND", FieldType::ftString, 1),
             Field("WEEKDAY", FieldType::ftString, 1), Field("FANGAN", FieldType::ftString, 20),
             Field("NOTE", FieldType::ftString, 32)},
            {{"ID", {"ID"}, chimdb::tiPrimary | chimdb::tiUnique}, {"DAYFROM", {"DAYFROM"}, 0}}};
}

bool CalendarTable::EnsureTable(const std::string& appPath) {
    return chimdb::TableAddition::AddTableToFile(appPath + ScheduleLoader::kDatabaseFileName,
                                                 Schema());
}

CalendarTable::CalendarTable(std::string appPath) : appPath_(std::move(appPath)) {}

bool CalendarTable::Open(const char* index) {
    try {
        ScheduleLoader::OpenTable(table_, appPath_, kTableName, index);
    } catch (const chimdb::DatabaseError& error) {
        if (error.what() == chimdb::FormatMessage(kMsgTableNotFound, kTableName))
            return false;
        throw;
    }
    return true;
}

CalendarRule CalendarTable::ReadCurrent() const {
    CalendarRule rule;
    rule.ID = table_.FieldByName("ID").AsInteger();
    rule.DAYFROM = ReadDay(table_.FieldByName("DAYFROM"));
    rule.DAYTO = ReadDay(table_.FieldByName("DAYTO"));
    rule.KIND = table_.FieldByName("KIND").AsString();
    rule.WEEKDAY = table_.FieldByName("WEEKDAY").AsString();
    rule.FANGAN = table_.FieldByName("FANGAN").AsString();
    rule.NOTE = table_.FieldByName("NOTE").AsString();
    return rule;
}

void CalendarTable::WriteCurrent(const CalendarRule& rule) {
    WriteDay(table_.FieldByName("DAYFROM"), rule.DAYFROM);
    WriteDay(table_.FieldByName("DAYTO"), rule.DAYTO);
    table_.FieldByName("KIND").SetAsString(rule.KIND);
    table_.FieldByName("WEEKDAY").SetAsString(rule.WEEKDAY);
    table_.FieldByName("FANGAN").SetAsString(rule.FANGAN);
    table_.FieldByName("NOTE").SetAsString(rule.NOTE);
}

std::vector<CalendarRule> CalendarTable::LoadRules() {
    std::vector<CalendarRule> rules;
    if (!Open("DAYFROM"))
        return rules;
    table_.First();
    const std::int32_t count = table_.RecordCount();
    rules.reserve(static_cast<std::size_t>(count > 0 ? count : 0));
    for (std::int32_t i = 0; i < count && !table_.Eof(); ++i) {
        rules.push_back(ReadCurrent());
        table_.Next();
    }
    table_.Close();
    return rules;
}

std::int32_t CalendarTable::Add(const CalendarRule& rule) {
    if (!Open("ID"))
        chimdb::RaiseError(kMsgTableNotFound, kTableName);
    table_.Append();
    WriteCurrent(rule);
    table_.Post();
    const std::int32_t id = table_.FieldByName("ID").AsInteger();
    table_.Close();
    return id;
}

bool CalendarTable::FindId(std::int32_t id) {
    return table_.FindKeyExact({chimdb::FieldValue(static_cast<std::int64_t>(id))});
}

bool CalendarTable::Update(const CalendarRule& rule) {
    if (!Open("ID"))
        return false;
    const bool found = FindId(rule.ID);
    if (found) {
        table_.Edit();
        WriteCurrent(rule);
        table_.Post();
    }
    table_.Close();
    return found;
}

bool CalendarTable::Delete(std::int32_t id) {
    if (!Open("ID"))
        return false;
    const bool found = FindId(id);
    if (found)
        table_.Delete();
    table_.Close();
    return found;
}

std::vector<CalendarRule> CalendarTable::RulesNaming(const std::string& name) {
    std::vector<CalendarRule> naming;
    for (CalendarRule& rule : LoadRules()) {
        if (rule.KIND == CalendarRule::kPlanDay && rule.FANGAN == name)
            naming.push_back(std::move(rule));
    }
    return naming;
}

void CalendarTable::RenamePlan(const std::string& oldName, const std::string& newName) {
    for (CalendarRule rule : RulesNaming(oldName)) {
        rule.FANGAN = newName;
        Update(rule);
    }
}

void CalendarTable::DeleteRulesNaming(const std::string& name) {
    for (const CalendarRule& rule : RulesNaming(name))
        Delete(rule.ID);
}

}  // namespace chimora
