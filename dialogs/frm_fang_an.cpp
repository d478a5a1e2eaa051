#include "dialogs/frm_fang_an.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/core/plan_exchange.h"
#include "app/core/store_text.h"
#include "dialogs/dialog_widgets.h"

namespace chimora {

using W = DialogWidgets;
using Kind = platform::MessageBoxes::Kind;
using Buttons = platform::MessageBoxes::Buttons;

FrmFangAn::FrmFangAn(QWidget* parent, DialogContext& context)
    : QDialog(parent), context_(context), manager_(context.paths.GetAppPath(), context.loader) {
    setObjectName("FrmFangAn");
    setWindowTitle(QString::fromUtf8("方案管理"));
    BuildControls();
    UseRealFileDialogs();
    ready_ = context_.guard.Run([this] {
        loadFangList();
        lblCurrFangAn_->setText(W::Text(context_.loader.GetActiveFangAn()));
    });
}

void FrmFangAn::BuildControls() {
    auto* addGroup = new QGroupBox(QString::fromUtf8("新增方案"), this);
    addGroup->setObjectName("GroupBox1");
    auto* addRow = new QHBoxLayout(addGroup);
    addRow->addWidget(W::Label(addGroup, "Label1", "方案名"));
    txtAddName_ = new QLineEdit(addGroup);
    txtAddName_->setObjectName("txtAddName");
    addRow->addWidget(txtAddName_);
    auto* btnAdd = W::Button(addGroup, "btnAdd", "新增");
    addRow->addWidget(btnAdd);

    auto* editGroup = new QGroupBox(QString::fromUtf8("维护及应用"), this);
    editGroup->setObjectName("GroupBox2");
    auto* grid = new QGridLayout(editGroup);
    grid->addWidget(W::Label(editGroup, "Label2", "方案列表"), 0, 0);
    lstFangAn_ = new QListWidget(editGroup);
    lstFangAn_->setObjectName("lstFangAn");
    lstFangAn_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->addWidget(lstFangAn_, 1, 0, 7, 1);
    grid->addWidget(W::Label(editGroup, "Label3", "修改方案名"), 0, 1);
    txtEditName_ = new QLineEdit(editGroup);
    txtEditName_->setObjectName("txtEditName");
    grid->addWidget(txtEditName_, 1, 1);
    btnEdit_ = W::Button(editGroup, "btnEdit", "修改");
    btnDel_ = W::Button(editGroup, "btnDel", "删除");
    btnApply_ = W::Button(editGroup, "btnApply", "启用该方案");
    grid->addWidget(btnEdit_, 2, 1);
    grid->addWidget(btnDel_, 3, 1);
    grid->addWidget(btnApply_, 4, 1);
    auto* btnExport = W::Button(editGroup, "btnExport", "导出方案");
    auto* btnImport = W::Button(editGroup, "btnImport", "导入方案");
    grid->addWidget(btnExport, 6, 1);
    grid->addWidget(btnImport, 7, 1);

    auto* currentGroup = new QGroupBox(QString::fromUtf8("当前启用的方案"), this);
    currentGroup->setObjectName("GroupBox3");
    auto* currentRow = new QHBoxLayout(currentGroup);
    lblCurrFangAn_ = new QLabel(currentGroup);
    lblCurrFangAn_->setObjectName("lblCurrFangAn");
    currentRow->addWidget(lblCurrFangAn_);

    auto* btnExit = W::Button(this, "btnExit", "退出");
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(currentGroup, 1);
    bottom->addWidget(btnExit);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(addGroup);
    layout->addWidget(editGroup);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(btnAdd, &QPushButton::clicked, this, [this] { btnAddClick(); });
    connect(btnEdit_, &QPushButton::clicked, this, [this] { btnEditClick(); });
    connect(btnDel_, &QPushButton::clicked, this, [this] { btnDelClick(); });
    connect(btnApply_, &QPushButton::clicked, this, [this] { btnApplyClick(); });
    connect(btnExport, &QPushButton::clicked, this, [this] { btnExportClick(); });
    connect(btnImport, &QPushButton::clicked, this, [this] { btnImportClick(); });
    connect(btnExit, &QPushButton::clicked, this, &QDialog::reject);
    connect(lstFangAn_, &QListWidget::itemClicked, this, [this] { lstFangAnClick(); });
    // A plan chosen with the arrow keys is as chosen as a clicked one: otherwise the name box
    // and the buttons would still act on the plan clicked before.
    connect(lstFangAn_, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* current) {
        if (!current)
            return;  // the list was rebuilt; the selection is lost until the next choice
        current->setSelected(true);
        lstFangAnClick();
    });
}

void FrmFangAn::loadFangList() {
    lstFangAn_->clear();
    for (const auto& name : manager_.LoadFangList())
        lstFangAn_->addItem(W::Text(name));
}

std::string FrmFangAn::Selected() const {
    const auto selected = lstFangAn_->selectedItems();
    return selected.isEmpty() ? std::string() : W::Utf8(selected.first()->text());
}

std::vector<std::string> FrmFangAn::Names() const {
    std::vector<std::string> names;
    for (int i = 0; i < lstFangAn_->count(); ++i)
        names.push_back(W::Utf8(lstFangAn_->item(i)->text()));
    return names;
}

void FrmFangAn::EnablePlanButtons(bool enabled) {
    btnEdit_->setEnabled(enabled);
    btnDel_->setEnabled(enabled);
    btnApply_->setEnabled(enabled);
}

bool FrmFangAn::Refuse(const std::optional<InputRefusal>& refusal) {
    if (!refusal)
        return false;
    context_.boxes.Inform(refusal->message);
    if (refusal->focus == InputRefusal::Focus::AddName)
        txtAddName_->setFocus();
    else if (refusal->focus == InputRefusal::Focus::EditName)
        txtEditName_->setFocus();
    return true;
}

void FrmFangAn::lstFangAnClick() {
    const std::string selected = Selected();
    txtEditName_->setText(W::Text(selected));
    EnablePlanButtons(selected != context_.state.CurrFangAn);
}

void FrmFangAn::btnAddClick() {
    context_.guard.Run([this] {
        const std::string typed = W::Utf8(txtAddName_->text());
        const auto refusal = FangAnManager::CheckNewName(typed, Names());
        if (refusal && refusal->message == FangAnManager::kNoName) {
            // This one question-styled notice has Yes and No; either answer just returns.
            context_.boxes.Show(Kind::Information, refusal->message, Buttons::YesNo);
            txtAddName_->setFocus();
            return;
        }
        if (Refuse(refusal))
            return;
        manager_.Add(typed);
        loadFangList();
        txtAddName_->clear();
    });
}

void FrmFangAn::btnEditClick() {
    context_.guard.Run([this] {
        const std::string selected = Selected();
        const auto refusal = FangAnManager::CheckRename(W::Utf8(txtEditName_->text()), selected,
                                                        context_.state.CurrFangAn, Names());
        if (refusal && refusal->message == FangAnManager::kRenameActive)
            txtEditName_->setText(W::Text(selected));
        if (Refuse(refusal))
            return;
        if (!manager_.Rename(selected, W::Utf8(txtEditName_->text())))
            context_.boxes.Inform(FangAnManager::kPlanGone);
        // The bell's copy of the calendar names plans too.
        context_.loader.LoadCalendarToMem();
        loadFangList();
    });
}

void FrmFangAn::btnDelClick() {
    context_.guard.Run([this] {
        const std::string selected = Selected();
        if (selected.empty()) {
            context_.boxes.Inform(FangAnManager::kNothingToDelete);
            return;
        }
        if (selected == context_.state.CurrFangAn) {
            context_.boxes.Inform(FangAnManager::kDeleteActive);
            return;
        }
        // Plan days of the calendar would lose their plan: they are named first, and the
        // plan goes only when the user agrees to both questions.
        const std::vector<CalendarRule> naming = manager_.CalendarRulesNaming(selected);
        const bool calendarAgreed =
            naming.empty() || context_.boxes.AskYesNo(FangAnManager::CalendarQuestion(naming));
        if (calendarAgreed && context_.boxes.AskYesNo(FangAnManager::kConfirmDelete)) {
            manager_.Delete(selected);
            // Its plan days are gone: the bell must not ring the deleted plan on them.
            context_.loader.LoadCalendarToMem();
        }
        txtEditName_->clear();
        loadFangList();
    });
}

void FrmFangAn::btnApplyClick() {
    context_.guard.Run([this] {
        const std::string selected = Selected();
        if (selected.empty()) {
            context_.boxes.Inform(FangAnManager::kNothingToApply);
            return;
        }
        if (selected == context_.state.CurrFangAn) {
            context_.boxes.Inform(FangAnManager::kApplyActive);
            return;
        }
        if (!manager_.Apply(selected)) {
            context_.boxes.Inform(FangAnManager::kPlanGone);
            loadFangList();
            return;
        }
        context_.state.CurrFangAn = selected;
        lblCurrFangAn_->setText(W::Text(selected));
        context_.playback.stop();
        context_.boxes.Show(Kind::Confirmation, FangAnManager::kApplied, Buttons::Ok);
        done(1);
    });
}

void FrmFangAn::UseRealFileDialogs() {
    const QString filter = QString::fromUtf8("方案文件 (*.json);;所有文件 (*)");
    chooseExportFile = [this, filter](const std::string& suggested) {
        return W::Utf8(QFileDialog::getSaveFileName(this, QString::fromUtf8("导出方案"),
                                                    W::Text(suggested), filter));
    };
    chooseImportFile = [this, filter] {
        return W::Utf8(QFileDialog::getOpenFileName(this, QString::fromUtf8("导入方案"),
                                                    QDir::homePath(), filter));
    };
    askNewName = [this](const std::string& question,
                        const std::string& suggested) -> std::optional<std::string> {
        bool ok = false;
        const QString name =
            QInputDialog::getText(this, QString::fromUtf8("导入方案"), W::Text(question),
                                  QLineEdit::Normal, W::Text(suggested), &ok);
        if (!ok)
            return std::nullopt;
        return W::Utf8(name);
    };
}

void FrmFangAn::btnExportClick() {
    context_.guard.Run([this] {
        const std::string selected = Selected();
        if (selected.empty()) {
            context_.boxes.Inform(PlanExchange::kNothingToExport);
            return;
        }
        // A plan name may hold characters that separate folders; the suggestion must not.
        std::string fileName = selected;
        for (char& c : fileName) {
            if (c == '/' || c == '\\')
                c = '_';
        }
        std::string path = chooseExportFile(W::Utf8(QDir::homePath()) + "/" + fileName + ".json");
        if (path.empty())
            return;
        if (QFileInfo(W::Text(path)).suffix().isEmpty())
            path += ".json";
        PlanExchange exchange(context_.paths.GetAppPath());
        const PlanExchange::Plan plan = exchange.Read(selected);
        PlanExchange::SaveFile(path, PlanExchange::ToJson(plan));
        context_.boxes.Inform("方案“" + selected + "”已导出到：\r" + path + "\r（" +
                              std::to_string(plan.entries.size()) + "条铃声，" +
                              std::to_string(plan.rules.size()) + "条校历规则）");
    });
}

std::optional<std::string> FrmFangAn::ImportName(const std::string& proposed) {
    std::string name = proposed;
    while (true) {
        const auto refusal = FangAnManager::CheckNewName(name, Names());
        if (!refusal)
            return name;
        const std::string question =
            refusal->message == FangAnManager::kNameExists
                ? "方案“" + name + "”已经存在，请为导入的方案输入一个新名称："
                : refusal->message + "\r请为导入的方案输入名称：";
        const auto answer = askNewName(question, name);
        if (!answer)
            return std::nullopt;
        name = *answer;
    }
}

void FrmFangAn::btnImportClick() {
    context_.guard.Run([this] {
        const std::string path = chooseImportFile();
        if (path.empty())
            return;
        PlanExchange::Plan plan;
        try {
            plan = PlanExchange::Parse(PlanExchange::LoadFile(path));
        } catch (const PlanExchange::Refused& refused) {
            context_.boxes.Inform(refused.what());
            return;
        }
        const auto name = ImportName(plan.name);
        if (!name)
            return;
        PlanExchange exchange(context_.paths.GetAppPath());
        const bool calendar = exchange.HasCalendar();
        const std::size_t rules = exchange.Write(plan, *name);
        loadFangList();
        // Plan days of the imported rules may fall on today: the bell follows them at once.
        if (rules > 0)
            context_.loader.LoadAllDataToMem();
        std::string text = "方案“" + *name + "”已导入：" + std::to_string(plan.entries.size()) +
                           "条铃声，" + std::to_string(rules) + "条校历规则。";
        if (rules < plan.rules.size() && !calendar)
            text += "\r数据库中没有校历，文件中的" + std::to_string(plan.rules.size()) +
                    "条校历规则没有导入。";
        else if (rules < plan.rules.size())
            text += "\r" + std::to_string(plan.rules.size() - rules) +
                    "条校历规则的日期与已有的规则完全相同，没有导入（已有的规则不变）。";
        const auto missing =
            PlanExchange::MissingSounds(plan, context_.files, context_.paths.GetMusicPath());
        if (!missing.empty()) {
            text += "\r\rmusic目录中缺少以下铃声文件，请把它们复制到music目录中：";
            for (const auto& file : missing)
                text += "\r    " + file;
        }
        context_.boxes.Inform(text);
    });
}

}  // namespace chimora
