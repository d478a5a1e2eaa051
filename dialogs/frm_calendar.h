#pragma once

#include <optional>
#include <string>
#include <vector>

#include <QDialog>

#include "app/core/calendar_rule.h"
#include "app/core/calendar_table.h"
#include "app/core/dialog_context.h"

class QCalendarWidget;
class QComboBox;
class QDate;
class QDateEdit;
class QLineEdit;
class QTableWidget;

namespace chimora {

// "校历": the school calendar. A month view coloured by the rules, the list of rules by
// their first day, and an editor for one rule. Every write is followed by a reload of the
// calendar into the program state, so that the bell follows a change at once. Closes with
// result 1 when it stored something.
class FrmCalendar : public QDialog {
  public:
    // Columns of the rule list.
    enum Column { kDatesColumn, kRuleColumn, kNoteColumn, kColumnCount };
    // Colours of the month view and its legend.
    static constexpr const char* kNoBellsColour = "#f2b8b5";
    static constexpr const char* kMakeUpColour = "#b8e0b0";
    static constexpr const char* kPlanDayColour = "#b5cff2";
    static constexpr const char* kConfirmDelete = "确认删除这条校历规则吗？";
    static constexpr const char* kNothingSelected = "请先在列表中选择一条校历规则！";
    static constexpr const char* kRuleGone = "该规则已经不存在，请重新选择！";
    static constexpr const char* kImportRefused = "没有导入任何规则。文件中的这条规则不能保存：";

    FrmCalendar(QWidget* parent, DialogContext& context);

    // False when reading the calendar failed (the error was shown): the dialog is not shown.
    bool Ready() const { return ready_; }
    const std::vector<CalendarRule>& Rules() const { return rules_; }

    void btnAddClick();
    void btnUpdClick();
    void btnDelClick();
    void lstRulesClick();
    // The user picked a day of the month view.
    void calMonthClick(const QDate& date);
    // iCalendar files; the buttons ask for the file, these do the work.
    void ImportFile(const std::string& path);
    void ExportFile(const std::string& path);

  private:
    void BuildControls();
    QWidget* BuildEditor();
    void LoadRules();
    void FillList();
    void ColourMonth();
    void ShowRule(const CalendarRule& rule);
    CalendarRule EditedRule() const;
    std::optional<CalendarRule> SelectedRule() const;
    // Checks and writes rule; editing is the ID of the rule being changed (0 for a new one).
    void Save(CalendarRule rule, std::int32_t editing);
    // Reloads the list and the program's calendar after a write.
    void AfterWrite();
    void UpdateKindControls();
    void btnImportClick();
    void btnExportClick();

    DialogContext& context_;
    CalendarTable table_;
    std::vector<CalendarRule> rules_;
    std::vector<std::string> plans_;
    QCalendarWidget* calMonth_ = nullptr;
    QTableWidget* lstRules_ = nullptr;
    QDateEdit* dtpFrom_ = nullptr;
    QDateEdit* dtpTo_ = nullptr;
    QComboBox* cboKind_ = nullptr;
    QComboBox* cboWeekday_ = nullptr;
    QComboBox* cboFangAn_ = nullptr;
    QLineEdit* txtNote_ = nullptr;
    bool ready_ = false;
    bool stored_ = false;
};

}  // namespace chimora
