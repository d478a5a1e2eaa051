#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/core/calendar_rule.h"
#include "app/core/input_refusal.h"
#include "app/core/schedule_loader.h"
#include "chimdb/chim_table.h"

namespace chimora {

// The plan manager's work on FANGAN and on the plans' ring entries. Every operation acts on
// the record whose NAME equals the given name in full, never on one it is only a prefix of,
// and leaves the plan cursor closed.
class FangAnManager {
  public:
    static constexpr const char* kNoName = "请输入方案名称！";
    static constexpr const char* kNameExists = "该方案名已经存在，请改用其他名称！";
    static constexpr const char* kNothingToRename = "请选择方案后再修改！";
    static constexpr const char* kRenameActive = "不可以修改正在应用的方案！";
    static constexpr const char* kRenameWithoutSelection =
        "请先在方案列表中选择要修改的方案，再修改方案名！";
    static constexpr const char* kNothingToDelete = "请选择要删除的方案！";
    static constexpr const char* kDeleteActive = "当前应用的方案不可以删除！";
    static constexpr const char* kConfirmDelete =
        "确认需要删除该方案吗？这将同时删除和该方案相关的打铃时间表";
    static constexpr const char* kNothingToApply = "请选择要启用的方案！";
    static constexpr const char* kApplyActive = "该方案已经被启用，请选择其他方案！";
    static constexpr const char* kApplied = "方案启用成功，目前系统已经开始执行新的方案";
    static constexpr const char* kNameTooLong =
        "方案名称太长：最多20个字符（一个汉字算两个字符），请改短后再保存！";
    static constexpr const char* kNameNotStorable =
        "方案名称中有无法保存的字符（例如表情符号），请删除这些字符后再保存！";
    static constexpr const char* kPlanGone = "该方案已经不存在，请重新选择！";
    static constexpr std::size_t kNameWidth = 20;
    static constexpr const char* kCalendarUsesPlan = "校历中以下日期按该方案打铃：\n";
    static constexpr const char* kCalendarRulesGo =
        "删除该方案后，这些校历规则也将一并删除。确认继续吗？";

    FangAnManager(std::string appPath, ScheduleLoader& loader);

    // Every plan name, in the order of the "NAME" index.
    std::vector<std::string> LoadFangList();

    // The checks of a new name (typed: as in the edit) against the names in the list.
    static std::optional<InputRefusal> CheckNewName(const std::string& typed,
                                                    const std::vector<std::string>& names);
    // The checks of a rename; selected is empty when no list item is selected.
    static std::optional<InputRefusal> CheckRename(const std::string& typed,
                                                   const std::string& selected,
                                                   const std::string& active,
                                                   const std::vector<std::string>& names);
    // Whether the list holds name, compared as the list box does: whole text, case ignored.
    static bool ListHolds(const std::vector<std::string>& names, const std::string& name);

    // A new inactive plan named as typed.
    void Add(const std::string& name);
    // Renames the plan and moves its ring entries and the calendar's plan days to the new
    // name. False when no plan has the old name; then nothing is written.
    bool Rename(const std::string& oldName, const std::string& newName);
    // Deletes the plan, every ring entry whose RINGPROJECT equals its name (through the main
    // window's ring cursor, which is left closed) and the calendar's plan days that name it.
    void Delete(const std::string& name);
    // The calendar's plan days that name the plan, in date order.
    std::vector<CalendarRule> CalendarRulesNaming(const std::string& name);
    // The question asked before such a plan is deleted: the dates, and that they go too.
    static std::string CalendarQuestion(const std::vector<CalendarRule>& rules);
    // Makes name the one active plan: every other active plan is set inactive. False when no
    // plan has that name; then nothing is written.
    bool Apply(const std::string& name);

  private:
    void OpenChimFangAn();
    bool FindPlan(const std::string& name);
    void MoveEntries(const std::string& oldName, const std::string& newName);

    std::string appPath_;
    ScheduleLoader& loader_;
    chimdb::ChimTable chimFangAn_;
};

}  // namespace chimora
