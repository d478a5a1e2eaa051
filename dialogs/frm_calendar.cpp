#include "dialogs/frm_calendar.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTableWidget>
#include <QTextCharFormat>
#include <QVBoxLayout>
#include <algorithm>

#include "app/core/calendar_rule_check.h"
#include "app/core/fang_an_manager.h"
#include "app/core/ical_calendar.h"
#include "app/core/school_calendar.h"
#include "dialogs/dialog_widgets.h"

namespace chimora {

namespace {

using W = DialogWidgets;

// The kind box lists the kinds in the order of their codes.
const char* const kKindCaptions[] = {"不打铃（假日）", "调休（按某个星期几打铃）",
                                     "按其他方案打铃"};
constexpr int kMonthViewWidth = 300;
constexpr int kListWidth = 430;

QDate DateOf(std::int32_t day) {
    const std::string text = SchoolCalendar::DateText(day);
    return QDate::fromString(QString::fromStdString(text), Qt::ISODate);
}

std::int32_t DayOf(const QDate& date) {
    return SchoolCalendar::DayOf(date.year(), date.month(), date.day());
}

const char* ColourOf(const CalendarRule& rule) {
    if (rule.KIND == CalendarRule::kNoBells)
        return FrmCalendar::kNoBellsColour;
    if (rule.KIND == CalendarRule::kMakeUp)
        return FrmCalendar::kMakeUpColour;
    return FrmCalendar::kPlanDayColour;
}

QLabel* LegendEntry(QWidget* parent, const char* name, const char* colour, const char* text) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setStyleSheet(QStringLiteral("background: %1; padding: 2px 6px;").arg(colour));
    return label;
}

}  // namespace

FrmCalendar::FrmCalendar(QWidget* parent, DialogContext& context)
    : QDialog(parent), context_(context), table_(context.paths.GetAppPath()) {
    setObjectName("FrmCalendar");
    setWindowTitle(QString::fromUtf8("校历"));
    BuildControls();
    ready_ = context_.guard.Run([this] {
        plans_ = FangAnManager(context_.paths.GetAppPath(), context_.loader).LoadFangList();
        for (const std::string& plan : plans_)
            cboFangAn_->addItem(W::Text(plan));
        LoadRules();
    });
}

void FrmCalendar::BuildControls() {
    calMonth_ = new QCalendarWidget(this);
    calMonth_->setObjectName("calMonth");
    calMonth_->setGridVisible(true);
    calMonth_->setLocale(QLocale(QLocale::Chinese, QLocale::China));
    calMonth_->setFirstDayOfWeek(Qt::Monday);
    calMonth_->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    calMonth_->setFixedWidth(kMonthViewWidth);
    const platform::LocalDateTime now = context_.clock.Now();
    calMonth_->setSelectedDate(QDate(now.year, now.month, now.day));

    auto* legend = new QHBoxLayout;
    legend->addWidget(LegendEntry(this, "lblLegendNoBells", kNoBellsColour, "不打铃"));
    legend->addWidget(LegendEntry(this, "lblLegendMakeUp", kMakeUpColour, "调休"));
    legend->addWidget(LegendEntry(this, "lblLegendPlanDay", kPlanDayColour, "其他方案"));
    legend->addStretch();

    auto* left = new QVBoxLayout;
    left->addWidget(calMonth_);
    left->addLayout(legend);
    left->addWidget(BuildEditor());
    left->addStretch();

    lstRules_ = new QTableWidget(0, kColumnCount, this);
    lstRules_->setObjectName("lstRules");
    lstRules_->setHorizontalHeaderLabels(
        {QString::fromUtf8("日期"), QString::fromUtf8("规则"), QString::fromUtf8("备注")});
    lstRules_->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstRules_->setSelectionMode(QAbstractItemView::SingleSelection);
    lstRules_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstRules_->verticalHeader()->hide();
    lstRules_->horizontalHeader()->setStretchLastSection(true);
    lstRules_->setColumnWidth(kDatesColumn, 170);
    lstRules_->setColumnWidth(kRuleColumn, 150);
    lstRules_->setMinimumWidth(kListWidth);

    auto* buttons = new QHBoxLayout;
    auto* btnAdd = W::Button(this, "btnAdd", "新增");
    auto* btnUpd = W::Button(this, "btnUpd", "修改");
    auto* btnDel = W::Button(this, "btnDel", "删除");
    auto* btnImport = W::Button(this, "btnImport", "导入iCalendar…");
    auto* btnExport = W::Button(this, "btnExport", "导出iCalendar…");
    auto* btnExit = W::Button(this, "btnExit", "退出");
    for (QPushButton* button : {btnAdd, btnUpd, btnDel, btnImport, btnExport})
        buttons->addWidget(button);
    buttons->addStretch();
    buttons->addWidget(btnExit);

    auto* right = new QVBoxLayout;
    right->addWidget(W::Label(this, "lblRules", "校历规则（按开始日期排列）"));
    right->addWidget(lstRules_, 1);

    auto* top = new QHBoxLayout;
    top->addLayout(left);
    top->addLayout(right, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(buttons);

    connect(btnAdd, &QPushButton::clicked, this, [this] { btnAddClick(); });
    connect(btnUpd, &QPushButton::clicked, this, [this] { btnUpdClick(); });
    connect(btnDel, &QPushButton::clicked, this, [this] { btnDelClick(); });
    connect(btnImport, &QPushButton::clicked, this, [this] { btnImportClick(); });
    connect(btnExport, &QPushButton::clicked, this, [this] { btnExportClick(); });
    connect(btnExit, &QPushButton::clicked, this, [this] { done(stored_ ? 1 : 2); });
    connect(lstRules_, &QTableWidget::itemSelectionChanged, this, [this] { lstRulesClick(); });
    connect(calMonth_, &QCalendarWidget::clicked, this,
            [this](const QDate& date) { calMonthClick(date); });
    connect(calMonth_, &QCalendarWidget::currentPageChanged, this, [this] { ColourMonth(); });
}

QWidget* FrmCalendar::BuildEditor() {
    auto* group = new QGroupBox(QString::fromUtf8("规则"), this);
    group->setObjectName("GroupBoxRule");
    auto* form = new QFormLayout(group);
    const platform::LocalDateTime now = context_.clock.Now();
    const QDate today(now.year, now.month, now.day);
    dtpFrom_ = new QDateEdit(today, group);
    dtpFrom_->setObjectName("dtpFrom");
    dtpTo_ = new QDateEdit(today, group);
    dtpTo_->setObjectName("dtpTo");
    for (QDateEdit* picker : {dtpFrom_, dtpTo_}) {
        picker->setCalendarPopup(true);
        picker->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    }
    cboKind_ = new QComboBox(group);
    cboKind_->setObjectName("cboKind");
    for (const char* caption : kKindCaptions)
        cboKind_->addItem(QString::fromUtf8(caption));
    cboWeekday_ = new QComboBox(group);
    cboWeekday_->setObjectName("cboWeekday");
    cboWeekday_->addItem(QString());
    for (int weekday = 1; weekday <= 7; ++weekday)
        cboWeekday_->addItem(W::Text(SchoolCalendar::WeekdayName(weekday)));
    cboFangAn_ = new QComboBox(group);
    cboFangAn_->setObjectName("cboFangAn");
    cboFangAn_->addItem(QString());
    txtNote_ = new QLineEdit(group);
    txtNote_->setObjectName("txtNote");
    txtNote_->setPlaceholderText(QString::fromUtf8("例如：国庆节、期中考试"));

    form->addRow(W::Label(group, "lblFrom", "开始日期"), dtpFrom_);
    form->addRow(W::Label(group, "lblTo", "结束日期"), dtpTo_);
    form->addRow(W::Label(group, "lblKind", "类型"), cboKind_);
    form->addRow(W::Label(group, "lblWeekday", "按星期几打铃"), cboWeekday_);
    form->addRow(W::Label(group, "lblFangAn", "按方案打铃"), cboFangAn_);
    form->addRow(W::Label(group, "lblNote", "备注"), txtNote_);
    connect(cboKind_, &QComboBox::currentIndexChanged, this, [this] { UpdateKindControls(); });
    UpdateKindControls();
    return group;
}

void FrmCalendar::UpdateKindControls() {
    cboWeekday_->setEnabled(cboKind_->currentIndex() == 1);
    cboFangAn_->setEnabled(cboKind_->currentIndex() == 2);
}

void FrmCalendar::LoadRules() {
    rules_ = table_.LoadRules();
    FillList();
    ColourMonth();
}

void FrmCalendar::FillList() {
    const QSignalBlocker quiet(lstRules_);
    lstRules_->setRowCount(static_cast<int>(rules_.size()));
    for (int row = 0; row < static_cast<int>(rules_.size()); ++row) {
        const CalendarRule& rule = rules_[static_cast<std::size_t>(row)];
        CalendarRule plain = rule;
        plain.NOTE.clear();
        const QString texts[] = {W::Text(SchoolCalendar::RangeText(rule)),
                                 W::Text(SchoolCalendar::Describe(plain)), W::Text(rule.NOTE)};
        for (int column = 0; column < kColumnCount; ++column) {
            auto* item = new QTableWidgetItem(texts[column]);
            item->setBackground(QColor(QString::fromLatin1(ColourOf(rule))));
            lstRules_->setItem(row, column, item);
        }
    }
    lstRules_->clearSelection();
}

void FrmCalendar::ColourMonth() {
    calMonth_->setDateTextFormat(QDate(), QTextCharFormat());
    // The page shows a few days of the months around it as well.
    const QDate first(calMonth_->yearShown(), calMonth_->monthShown(), 1);
    for (QDate date = first.addDays(-7); date <= first.addDays(44); date = date.addDays(1)) {
        const std::optional<CalendarRule> rule = SchoolCalendar::RuleFor(rules_, DayOf(date));
        if (!rule)
            continue;
        QTextCharFormat format;
        format.setBackground(QColor(QString::fromLatin1(ColourOf(*rule))));
        format.setToolTip(W::Text(SchoolCalendar::Describe(*rule)));
        calMonth_->setDateTextFormat(date, format);
    }
}

std::optional<CalendarRule> FrmCalendar::SelectedRule() const {
    const auto rows = lstRules_->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return std::nullopt;
    const auto row = static_cast<std::size_t>(rows.first().row());
    if (row >= rules_.size())
        return std::nullopt;
    return rules_[row];
}

void FrmCalendar::ShowRule(const CalendarRule& rule) {
    dtpFrom_->setDate(DateOf(rule.DAYFROM));
    dtpTo_->setDate(DateOf(rule.DAYTO));
    cboKind_->setCurrentIndex(rule.KIND == CalendarRule::kMakeUp    ? 1
                              : rule.KIND == CalendarRule::kPlanDay ? 2
                                                                    : 0);
    cboWeekday_->setCurrentIndex(rule.MakeUpWeekday());
    const int plan = cboFangAn_->findText(W::Text(rule.FANGAN), Qt::MatchExactly);
    cboFangAn_->setCurrentIndex(plan < 0 ? 0 : plan);
    txtNote_->setText(W::Text(rule.NOTE));
}

CalendarRule FrmCalendar::EditedRule() const {
    CalendarRule rule;
    rule.DAYFROM = DayOf(dtpFrom_->date());
    rule.DAYTO = DayOf(dtpTo_->date());
    rule.KIND = std::to_string(cboKind_->currentIndex());
    rule.WEEKDAY = cboWeekday_->currentIndex() > 0 ? std::to_string(cboWeekday_->currentIndex())
                                                   : std::string();
    rule.FANGAN = W::Utf8(cboFangAn_->currentText());
    rule.NOTE = W::Utf8(txtNote_->text());
    return rule;
}

void FrmCalendar::lstRulesClick() {
    if (const std::optional<CalendarRule> rule = SelectedRule()) {
        ShowRule(*rule);
        calMonth_->setSelectedDate(DateOf(rule->DAYFROM));
    }
}

void FrmCalendar::calMonthClick(const QDate& date) {
    // A day with a rule selects the rule; any other day starts a new one-day rule.
    const std::int32_t day = DayOf(date);
    const std::optional<CalendarRule> rule = SchoolCalendar::RuleFor(rules_, day);
    for (std::size_t row = 0; rule && row < rules_.size(); ++row) {
        if (rules_[row].ID == rule->ID) {
            lstRules_->selectRow(static_cast<int>(row));
            return;
        }
    }
    lstRules_->clearSelection();
    dtpFrom_->setDate(date);
    dtpTo_->setDate(date);
}

void FrmCalendar::btnAddClick() {
    context_.guard.Run([this] { Save(EditedRule(), 0); });
}

void FrmCalendar::btnUpdClick() {
    context_.guard.Run([this] {
        const std::optional<CalendarRule> selected = SelectedRule();
        if (!selected) {
            context_.boxes.Inform(kNothingSelected);
            return;
        }
        Save(EditedRule(), selected->ID);
    });
}

void FrmCalendar::Save(CalendarRule rule, std::int32_t editing) {
    if (const auto refusal = CalendarRuleCheck::Check(rule, plans_)) {
        context_.boxes.Inform(*refusal);
        return;
    }
    rule = CalendarRuleCheck::Normalized(std::move(rule));
    if (const auto same = CalendarRuleCheck::SameRange(rule, rules_, editing)) {
        if (!context_.boxes.AskYesNo(CalendarRuleCheck::ReplaceQuestion(*same)))
            return;
        rule.ID = same->ID;
        table_.Update(rule);
        if (editing != 0)
            table_.Delete(editing);
    } else if (editing != 0) {
        rule.ID = editing;
        if (!table_.Update(rule))
            context_.boxes.Inform(kRuleGone);
    } else {
        table_.Add(rule);
    }
    AfterWrite();
}

void FrmCalendar::btnDelClick() {
    context_.guard.Run([this] {
        const std::optional<CalendarRule> selected = SelectedRule();
        if (!selected) {
            context_.boxes.Inform(kNothingSelected);
            return;
        }
        if (!context_.boxes.AskYesNo(kConfirmDelete))
            return;
        table_.Delete(selected->ID);
        AfterWrite();
    });
}

void FrmCalendar::AfterWrite() {
    stored_ = true;
    LoadRules();
    context_.loader.LoadCalendarToMem();
}

void FrmCalendar::ImportFile(const std::string& path) {
    context_.guard.Run([this, &path] {
        std::vector<CalendarRule> imported;
        try {
            imported = ICalendarFile::ReadFile(path, SchoolCalendar::DayOf(context_.clock.Now()));
        } catch (const ICalendarError& error) {
            context_.boxes.Inform(std::string(ICalendarFile::kUnreadable) + error.what());
            return;
        }
        // Rules the calendar holds already (an import of the same file again) are left out.
        std::erase_if(imported, [this](CalendarRule rule) {
            return std::any_of(rules_.begin(), rules_.end(), [&rule](const CalendarRule& held) {
                rule.ID = held.ID;
                return rule == held;
            });
        });
        if (imported.empty()) {
            context_.boxes.Inform(ICalendarFile::kNothingToImport);
            return;
        }
        // The same checks as a rule typed in, for every rule, before anything is written.
        for (std::size_t i = 0; i < imported.size(); ++i) {
            if (const auto refusal = CalendarRuleCheck::Check(imported[i], plans_)) {
                context_.boxes.Inform(std::string(kImportRefused) +
                                      SchoolCalendar::RangeText(imported[i]) + "：" + *refusal);
                return;
            }
        }
        if (!context_.boxes.AskYesNo(ICalendarFile::Preview(imported)))
            return;
        for (const CalendarRule& rule : imported)
            table_.Add(rule);
        AfterWrite();
    });
}

void FrmCalendar::ExportFile(const std::string& path) {
    context_.guard.Run([this, &path] {
        ICalendarFile::WriteFile(path, rules_);
        context_.boxes.Inform(std::string(ICalendarFile::kExported) + path);
    });
}

void FrmCalendar::btnImportClick() {
    const QString path =
        QFileDialog::getOpenFileName(this, QString::fromUtf8("导入iCalendar文件"), QString(),
                                     QString::fromUtf8("iCalendar文件 (*.ics);;所有文件 (*)"));
    if (!path.isEmpty())
        ImportFile(W::Utf8(path));
}

void FrmCalendar::btnExportClick() {
    const QString path = QFileDialog::getSaveFileName(this, QString::fromUtf8("导出iCalendar文件"),
                                                      QStringLiteral("校历.ics"),
                                                      QString::fromUtf8("iCalendar文件 (*.ics)"));
    if (!path.isEmpty())
        ExportFile(W::Utf8(path));
}

}  // namespace chimora
