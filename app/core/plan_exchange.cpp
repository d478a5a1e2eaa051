#include "app/core/plan_exchange.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <utility>

#include "app/core/batch_add_plan.h"
#include "app/core/ring_set_saver.h"
#include "app/core/schedule_loader.h"
#include "app/core/store_text.h"
#include "chimdb/chim_database.h"
#include "chimdb/chim_session.h"
#include "chimdb/chim_session_list.h"
#include "chimdb/chim_table.h"
#include "chimdb/text_format_locale.h"
#include "platform/local_date_time.h"

namespace chimora {

namespace {

using nlohmann::json;

constexpr const char* kNothingImported = "没有导入任何内容。";
// A stored date counts days from 1899-12-30; 1970-01-01 is day 25569.
constexpr std::int64_t kUnixEpochDay = 25569;
constexpr std::size_t kDescWidth = 32;
constexpr std::size_t kNoteWidth = 32;

[[noreturn]] void Refuse(const std::string& problem) {
    throw PlanExchange::Refused("无法导入方案文件：" + problem + kNothingImported);
}

// "YYYY-MM-DD" of a stored date.
std::string DateText(double stored) {
    std::int64_t z = static_cast<std::int64_t>(std::floor(stored)) - kUnixEpochDay + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const int year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
    return text;
}

// The stored date of "YYYY-MM-DD"; nothing when text is no such date of the calendar.
std::optional<double> StoredDate(const std::string& text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return std::nullopt;
    for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
    }
    platform::LocalDateTime date;
    date.year = std::stoi(text.substr(0, 4));
    date.month = std::stoi(text.substr(5, 2));
    date.day = std::stoi(text.substr(8, 2));
    if (date.year < 1 || date.month < 1 || date.month > 12 || date.day < 1 || date.day > 31)
        return std::nullopt;
    const double stored = static_cast<double>(date.DayNumber() + kUnixEpochDay);
    // A day past the month's end (02-30) comes back as another date.
    if (DateText(stored) != text)
        return std::nullopt;
    return stored;
}

std::string Text(const chimdb::ChimTable& table, const char* field) {
    return table.FieldByName(field).AsString();
}

// Checks of one value of the file, each refusal naming where the value stood.
class ValueReader {
  public:
    ValueReader(const json& object, std::string where) : object_(object), where_(std::move(where)) {
        if (!object_.is_object())
            Refuse(where_ + "不是一个对象。");
    }

    std::string String(const char* member, bool required = true) const {
        const auto it = object_.find(member);
        if (it == object_.end() || it->is_null()) {
            if (required)
                Refuse(where_ + "缺少“" + member + "”。");
            return {};
        }
        if (!it->is_string())
            Refuse(where_ + "的“" + std::string(member) + "”不是文字。");
        return it->get<std::string>();
    }

    // A text the table can keep whole: characters of the code page, at most width bytes.
    std::string StorableString(const char* member, std::size_t width, bool required = true) const {
        std::string value = String(member, required);
        if (!StoreText::Fits(value))
            Refuse(where_ + "的“" + std::string(member) + "”中有无法保存的字符（例如表情符号）。");
        if (StoreText::Width(value) > width)
            Refuse(where_ + "的“" + std::string(member) + "”太长（最多" + std::to_string(width) +
                   "个字符，一个汉字算两个字符）。");
        return value;
    }

    std::string OneOf(const char* member, const std::set<std::string>& allowed,
                      bool required = true) const {
        std::string value = String(member, required);
        if (!allowed.count(value))
            Refuse(where_ + "的“" + std::string(member) + "”的值“" + value + "”无效。");
        return value;
    }

    const std::string& Where() const { return where_; }
    const json& Object() const { return object_; }

  private:
    const json& object_;
    std::string where_;
};

PlanExchange::Entry ParseEntry(const json& value, std::size_t number) {
    const ValueReader reader(value, "第" + std::to_string(number) + "条铃声");
    PlanExchange::Entry entry;
    for (int day = 1; day <= 8; ++day) {
        const std::string member = "WEEK" + std::to_string(day);
        entry.weeks[static_cast<std::size_t>(day - 1)] = reader.OneOf(member.c_str(), {"0", "1"});
    }
    entry.desc = reader.StorableString("RINGDESC", kDescWidth);
    entry.file = reader.StorableString("RINGFILE", RingSetSaver::kRingFileWidth);
    // The file is looked for inside the music folder; a name that leads out of it is no
    // sound of this plan.
    bool leavesFolder = entry.file.empty() || entry.file[0] == '/' || entry.file[0] == '\\';
    std::string part;
    for (char c : entry.file + "\\") {
        if (c == '\\' || c == '/') {
            leavesFolder = leavesFolder || part == "..";
            part.clear();
        } else {
            part += c;
        }
    }
    if (leavesFolder)
        Refuse(reader.Where() + "的“RINGFILE”不是music目录中的文件名。");
    entry.time = reader.String("RINGTIME");
    if (!BatchAddPlan::SecondsOfDay(entry.time))
        Refuse(reader.Where() + "的“RINGTIME”不是“时:分:秒”形式的时间（如 08:00:00）。");
    const auto volume = value.find("RINGVOLUME");
    if (volume != value.end() && !volume->is_null()) {
        if (!volume->is_number_integer() || volume->get<std::int64_t>() < 0 ||
            volume->get<std::int64_t>() > 100)
            Refuse(reader.Where() + "的“RINGVOLUME”必须是0到100之间的整数。");
        entry.volume = volume->get<int>();
    }
    return entry;
}

PlanExchange::Rule ParseRule(const json& value, std::size_t number) {
    const ValueReader reader(value, "第" + std::to_string(number) + "条校历规则");
    PlanExchange::Rule rule;
    rule.dayFrom = reader.String("DAYFROM");
    rule.dayTo = reader.String("DAYTO");
    const auto from = StoredDate(rule.dayFrom);
    const auto to = StoredDate(rule.dayTo);
    if (!from || !to)
        Refuse(reader.Where() + "的日期不是“年-月-日”形式的日期（如 2026-10-01）。");
    if (*to < *from)
        Refuse(reader.Where() + "的结束日期早于开始日期。");
    rule.kind = reader.OneOf("KIND", {"0", "1", "2"});
    rule.weekday = reader.OneOf("WEEKDAY", {"", "1", "2", "3", "4", "5", "6", "7"}, false);
    if (rule.kind == "1" && rule.weekday.empty())
        Refuse(reader.Where() + "是调休日，但没有指定按星期几打铃。");
    rule.note = reader.StorableString("NOTE", kNoteWidth, false);
    return rule;
}

const json& ArrayMember(const json& document, const char* member) {
    static const json empty = json::array();
    const auto it = document.find(member);
    if (it == document.end() || it->is_null())
        return empty;
    if (!it->is_array())
        Refuse(std::string("“") + member + "”不是一个列表。");
    return *it;
}

}  // namespace

PlanExchange::PlanExchange(std::string appPath) : appPath_(std::move(appPath)) {
    // Ring times travel as "hh:mm:ss", the form the schedule keeps them in.
    chimdb::SetTextFormatLocale(ScheduleLoader::kTextFormatLocale);
}

bool PlanExchange::HasCalendar() const {
    chimdb::ChimSession& session = chimdb::ChimSessionList::Instance().Default();
    chimdb::ChimDatabase& database =
        session.AcquireDatabase(appPath_ + ScheduleLoader::kDatabaseFileName, true);
    std::vector<std::string> names;
    try {
        names = database.TableNames();
    } catch (...) {
        session.ReleaseDatabase(database);
        throw;
    }
    session.ReleaseDatabase(database);
    for (const std::string& name : names) {
        if (StoreText::SameIgnoringCase(name, kCalendarTable))
            return true;
    }
    return false;
}

PlanExchange::Plan PlanExchange::Read(const std::string& name) const {
    Plan plan;
    plan.name = name;
    chimdb::ChimTable entries;
    ScheduleLoader::OpenTable(entries, appPath_, "Ring1_7", "RINGTIME");
    ScheduleLoader::ApplyFilter(entries, ScheduleLoader::PlanFilter(name));
    entries.First();
    while (!entries.Eof()) {
        Entry entry;
        for (int day = 1; day <= 8; ++day)
            entry.weeks[static_cast<std::size_t>(day - 1)] =
                Text(entries, ("WEEK" + std::to_string(day)).c_str());
        entry.desc = Text(entries, "RINGDESC");
        entry.file = Text(entries, "RINGFILE");
        entry.time = Text(entries, "RINGTIME");
        // 0 is what a new record holds when nothing was written there: full volume too.
        if (const chimdb::Field& volume = entries.FieldByName("RINGVOLUME");
            !volume.IsNull() && volume.AsInteger() != 0)
            entry.volume = volume.AsInteger();
        plan.entries.push_back(std::move(entry));
        entries.Next();
    }
    entries.Close();
    if (!HasCalendar())
        return plan;
    chimdb::ChimTable rules;
    ScheduleLoader::OpenTable(rules, appPath_, kCalendarTable, "DAYFROM");
    rules.First();
    // The few rules are walked and compared whole, as the plans are.
    while (!rules.Eof()) {
        if (Text(rules, "FANGAN") == name) {
            Rule rule;
            rule.dayFrom = DateText(rules.FieldByName("DAYFROM").AsDateTime());
            rule.dayTo = DateText(rules.FieldByName("DAYTO").AsDateTime());
            rule.kind = Text(rules, "KIND");
            rule.weekday = Text(rules, "WEEKDAY");
            rule.note = Text(rules, "NOTE");
            plan.rules.push_back(std::move(rule));
        }
        rules.Next();
    }
    rules.Close();
    return plan;
}

std::size_t PlanExchange::Write(const Plan& plan, const std::string& name) const {
    chimdb::ChimTable plans;
    ScheduleLoader::OpenTable(plans, appPath_, "FANGAN", "NAME");
    plans.Append();
    plans.FieldByName("NAME").SetAsString(name);
    plans.FieldByName("ISACTIVE").SetAsString("0");
    plans.Post();
    plans.Close();

    chimdb::ChimTable entries;
    RingSetSaver::OpenDatabase(entries, appPath_);
    for (const Entry& entry : plan.entries) {
        entries.Append();
        for (int day = 1; day <= 8; ++day)
            entries.FieldByName("WEEK" + std::to_string(day))
                .SetAsString(entry.weeks[static_cast<std::size_t>(day - 1)]);
        entries.FieldByName("RINGDESC").SetAsString(entry.desc);
        entries.FieldByName("RINGFILE").SetAsString(entry.file);
        entries.FieldByName("RINGTIME").SetAsString(entry.time);
        if (entry.volume)
            entries.FieldByName("RINGVOLUME").SetAsInteger(*entry.volume);
        entries.FieldByName("RINGPROJECT").SetAsString(name);
        entries.Post();
    }
    entries.Close();

    if (plan.rules.empty() || !HasCalendar())
        return 0;
    chimdb::ChimTable rules;
    ScheduleLoader::OpenTable(rules, appPath_, kCalendarTable, "ID");
    // A rule over exactly the days of one the school already has would win over it (the
    // newer of two equal ranges rules), so a holiday could silently start to ring: such
    // rules stay out, and the caller tells the user.
    std::set<std::pair<std::string, std::string>> held;
    for (rules.First(); !rules.Eof(); rules.Next())
        held.insert({DateText(rules.FieldByName("DAYFROM").AsDateTime()),
                     DateText(rules.FieldByName("DAYTO").AsDateTime())});
    std::size_t written = 0;
    for (const Rule& rule : plan.rules) {
        if (!held.insert({rule.dayFrom, rule.dayTo}).second)
            continue;
        rules.Append();
        rules.FieldByName("DAYFROM").SetAsDateTime(StoredDate(rule.dayFrom).value_or(0));
        rules.FieldByName("DAYTO").SetAsDateTime(StoredDate(rule.dayTo).value_or(0));
        rules.FieldByName("KIND").SetAsString(rule.kind);
        rules.FieldByName("WEEKDAY").SetAsString(rule.weekday);
        rules.FieldByName("FANGAN").SetAsString(name);
        rules.FieldByName("NOTE").SetAsString(rule.note);
        rules.Post();
        ++written;
    }
    rules.Close();
    return written;
}

std::string PlanExchange::ToJson(const Plan& plan) {
    json entries = json::array();
    for (const Entry& entry : plan.entries) {
        json item = json::object();
        for (int day = 1; day <= 8; ++day)
            item["WEEK" + std::to_string(day)] = entry.weeks[static_cast<std::size_t>(day - 1)];
        item["RINGDESC"] = entry.desc;
        item["RINGFILE"] = entry.file;
        item["RINGTIME"] = entry.time;
        item["RINGVOLUME"] = entry.volume ? json(*entry.volume) : json(nullptr);
        entries.push_back(std::move(item));
    }
    json rules = json::array();
    for (const Rule& rule : plan.rules) {
        rules.push_back({{"DAYFROM", rule.dayFrom},
                         {"DAYTO", rule.dayTo},
                         {"KIND", rule.kind},
                         {"WEEKDAY", rule.weekday},
                         {"NOTE", rule.note}});
    }
    json document = json::object();
    document["format"] = kFormat;
    document["version"] = kVersion;
    document["plan"] = plan.name;
    document["entries"] = std::move(entries);
    document["calendar"] = std::move(rules);
    return document.dump(2) + "\n";
}

PlanExchange::Plan PlanExchange::Parse(const std::string& text) {
    json document;
    try {
        document = json::parse(text);
    } catch (const json::exception& error) {
        Refuse(std::string("文件不是有效的JSON（") + error.what() + "）。");
    }
    if (!document.is_object() || !document.contains("format") ||
        document["format"] != json(kFormat))
        Refuse(std::string("这不是Chimora的方案文件（缺少 \"format\": \"") + kFormat + "\"）。");
    const auto version = document.find("version");
    if (version == document.end() || !version->is_number_integer())
        Refuse("文件缺少整数的“version”。");
    if (version->get<std::int64_t>() != kVersion)
        Refuse("文件的版本（" + version->dump() + "）不受支持，本程序只能读取版本 " +
               std::to_string(kVersion) + "。");
    Plan plan;
    const ValueReader top(document, "方案");
    plan.name = top.String("plan");
    std::size_t number = 0;
    for (const json& entry : ArrayMember(document, "entries"))
        plan.entries.push_back(ParseEntry(entry, ++number));
    number = 0;
    for (const json& rule : ArrayMember(document, "calendar"))
        plan.rules.push_back(ParseRule(rule, ++number));
    return plan;
}

void PlanExchange::SaveFile(const std::string& path, const std::string& json) {
    // Written aside and renamed, so that a failed export never leaves half a file under the
    // name the user chose (or spoils the file it replaces).
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << json;
        out.flush();
        if (!out)
            throw std::runtime_error("Cannot write " + temporary);
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        throw std::runtime_error("Cannot write " + path);
    }
}

std::string PlanExchange::LoadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        Refuse("文件“" + path + "”无法打开。");
    // A plan of a thousand entries takes a few hundred kB; anything near this is no plan.
    std::error_code error;
    if (std::filesystem::file_size(path, error) > kMaxFileBytes && !error)
        Refuse("文件太大，不是Chimora的方案文件。");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> PlanExchange::MissingSounds(const Plan& plan,
                                                     const platform::FileSystem& files,
                                                     const std::string& musicPath) {
    std::vector<std::string> missing;
    std::set<std::string> seen;
    for (const Entry& entry : plan.entries) {
        if (seen.insert(entry.file).second && !files.FileExists(musicPath + entry.file))
            missing.push_back(entry.file);
    }
    return missing;
}

}  // namespace chimora
