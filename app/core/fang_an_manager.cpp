#include "app/core/fang_an_manager.h"

#include <cstdint>
#include <utility>

#include "app/core/calendar_table.h"
#include "app/core/ring_set_saver.h"
#include "app/core/school_calendar.h"
#include "app/core/store_text.h"
#include "chimdb/database_error.h"

namespace chimora {

namespace {

std::optional<InputRefusal> CheckStorable(const std::string& typed, InputRefusal::Focus focus) {
    if (!StoreText::Fits(typed))
        return InputRefusal{FangAnManager::kNameNotStorable, focus};
    // RINGPROJECT of the entries is as wide as NAME: a longer name would be cut there and
    // the plan would lose its entries.
    if (StoreText::Width(typed) > FangAnManager::kNameWidth)
        return InputRefusal{FangAnManager::kNameTooLong, focus};
    return std::nullopt;
}

}  // namespace

FangAnManager::FangAnManager(std::string appPath, ScheduleLoader& loader)
    : appPath_(std::move(appPath)), loader_(loader) {}

void FangAnManager::OpenChimFangAn() {
    ScheduleLoader::OpenTable(chimFangAn_, appPath_, "FANGAN", "NAME");
}

bool FangAnManager::ListHolds(const std::vector<std::string>& names, const std::string& name) {
    for (const auto& listed : names) {
        if (StoreText::SameIgnoringCase(listed, name))
            return true;
    }
    return false;
}

std::optional<InputRefusal> FangAnManager::CheckNewName(const std::string& typed,
                                                        const std::vector<std::string>& names) {
    const std::string trimmed = StoreText::Trim(typed);
    if (trimmed.empty())
        return InputRefusal{kNoName, InputRefusal::Focus::AddName};
    if (ListHolds(names, trimmed))
        return InputRefusal{kNameExists, InputRefusal::Focus::Unchanged};
    return CheckStorable(typed, InputRefusal::Focus::AddName);
}

std::optional<InputRefusal> FangAnManager::CheckRename(const std::string& typed,
                                                       const std::string& selected,
                                                       const std::string& active,
                                                       const std::vector<std::string>& names) {
    const std::string trimmed = StoreText::Trim(typed);
    if (trimmed.empty())
        return InputRefusal{kNothingToRename, InputRefusal::Focus::EditName};
    if (selected.empty())
        return InputRefusal{kRenameWithoutSelection, InputRefusal::Focus::Unchanged};
    if (selected == active)
        return InputRefusal{kRenameActive, InputRefusal::Focus::EditName};
    if (ListHolds(names, trimmed))
        return InputRefusal{kNameExists, InputRefusal::Focus::Unchanged};
    return CheckStorable(typed, InputRefusal::Focus::EditName);
}

std::vector<std::string> FangAnManager::LoadFangList() {
    std::vector<std::string> names;
    OpenChimFangAn();
    chimFangAn_.SetFilter("");
    chimFangAn_.First();
    const std::int32_t count = chimFangAn_.RecordCount();
    for (std::int32_t i = 0; i < count && !chimFangAn_.Eof(); ++i) {
        names.push_back(chimFangAn_.FieldByName("NAME").AsString());
        chimFangAn_.Next();
    }
    chimFangAn_.Close();
    return names;
}

bool FangAnManager::FindPlan(const std::string& name) {
    // A walk over the few plans, comparing whole names exactly: a key search may land on a
    // longer name it is a prefix of, treats letter case as equal, and has been seen to miss
    // Chinese names among Latin ones.
    chimFangAn_.First();
    while (!chimFangAn_.Eof()) {
        if (chimFangAn_.FieldByName("NAME").AsString() == name)
            return true;
        chimFangAn_.Next();
    }
    return false;
}

void FangAnManager::Add(const std::string& name) {
    OpenChimFangAn();
    chimFangAn_.Append();
    chimFangAn_.FieldByName("NAME").SetAsString(name);
    chimFangAn_.FieldByName("ISACTIVE").SetAsString("0");
    chimFangAn_.Post();
    chimFangAn_.Close();
}

bool FangAnManager::Rename(const std::string& oldName, const std::string& newName) {
    OpenChimFangAn();
    if (!FindPlan(oldName)) {
        chimFangAn_.Close();
        return false;
    }
    chimFangAn_.Edit();
    chimFangAn_.FieldByName("NAME").SetAsString(newName);
    chimFangAn_.Post();
    chimFangAn_.Close();
    MoveEntries(oldName, newName);
    CalendarTable(appPath_).RenamePlan(oldName, newName);
    return true;
}

void FangAnManager::MoveEntries(const std::string& oldName, const std::string& newName) {
    // The IDs first, then each entry by its ID: changing RINGPROJECT under a filter on it
    // would move the records out of the cursor while it walks them.
    chimdb::ChimTable entries;
    RingSetSaver::OpenDatabase(entries, appPath_);
    ScheduleLoader::ApplyFilter(entries, ScheduleLoader::PlanFilter(oldName));
    std::vector<std::int64_t> ids;
    entries.First();
    const std::int32_t count = entries.RecordCount();
    for (std::int32_t i = 0; i < count && !entries.Eof(); ++i) {
        ids.push_back(std::stoll(entries.FieldByName("ID").AsString()));
        entries.Next();
    }
    entries.SetFiltered(false);
    for (const std::int64_t id : ids) {
        if (!entries.FindKeyExact({chimdb::FieldValue(id)}))
            continue;
        entries.Edit();
        entries.FieldByName("RINGPROJECT").SetAsString(newName);
        entries.Post();
    }
    entries.Close();
}

void FangAnManager::Delete(const std::string& name) {
    OpenChimFangAn();
    chimFangAn_.SetFilter("");
    if (FindPlan(name))
        chimFangAn_.Delete();
    chimFangAn_.Close();

    chimdb::ChimTable& ring = loader_.ChimTable1();
    loader_.openChimTable1();
    ScheduleLoader::ApplyFilter(ring, ScheduleLoader::PlanFilter(name));
    for (std::int32_t left = ring.RecordCount(); left > 0;) {
        ring.First();
        ring.Delete();
        const std::int32_t now = ring.RecordCount();
        if (now >= left)
            chimdb::RaiseError("Could not delete the ring entries of plan '%s'", name);
        left = now;
    }
    ring.Close();
    CalendarTable(appPath_).DeleteRulesNaming(name);
}

std::vector<CalendarRule> FangAnManager::CalendarRulesNaming(const std::string& name) {
    return CalendarTable(appPath_).RulesNaming(name);
}

std::string FangAnManager::CalendarQuestion(const std::vector<CalendarRule>& rules) {
    std::string text = kCalendarUsesPlan;
    for (const CalendarRule& rule : rules) {
        text += SchoolCalendar::RangeText(rule);
        if (!rule.NOTE.empty())
            text += "  " + rule.NOTE;
        text += "\n";
    }
    return text + kCalendarRulesGo;
}

bool FangAnManager::Apply(const std::string& name) {
    OpenChimFangAn();
    if (!FindPlan(name)) {
        chimFangAn_.Close();
        return false;
    }
    // Every plan still marked active goes inactive first, so that exactly one is active
    // afterwards; with no active plan nothing is written here.
    std::vector<std::string> active;
    chimFangAn_.First();
    const std::int32_t count = chimFangAn_.RecordCount();
    for (std::int32_t i = 0; i < count && !chimFangAn_.Eof(); ++i) {
        if (chimFangAn_.FieldByName("ISACTIVE").AsString() == "1" &&
            chimFangAn_.FieldByName("NAME").AsString() != name)
            active.push_back(chimFangAn_.FieldByName("NAME").AsString());
        chimFangAn_.Next();
    }
    for (const auto& other : active) {
        if (FindPlan(other)) {
            chimFangAn_.Edit();
            chimFangAn_.FieldByName("ISACTIVE").SetAsString("0");
            chimFangAn_.Post();
        }
    }
    if (FindPlan(name)) {
        chimFangAn_.Edit();
        chimFangAn_.FieldByName("ISACTIVE").SetAsString("1");
        chimFangAn_.Post();
    }
    chimFangAn_.Close();
    return true;
}

}  // namespace chimora
