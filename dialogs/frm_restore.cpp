#include "dialogs/frm_restore.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <exception>

#include "app/core/daily_backup.h"
#include "dialogs/dialog_widgets.h"

namespace chimora {

using W = DialogWidgets;

namespace {

constexpr const char* kNoCopies = "backup目录中还没有备份。程序每天第一次运行时会自动备份一次。";
constexpr const char* kChooseCopy = "请选择要恢复的备份！";

std::string CopyCaption(const BackupRestore::Copy& copy) {
    return copy.beforeRestore ? copy.date + "（恢复前的数据）" : copy.date;
}

}  // namespace

FrmRestore::FrmRestore(QWidget* parent, DialogContext& context)
    : QDialog(parent), context_(context), restore_(context.paths.GetAppPath()) {
    setObjectName("FrmRestore");
    setWindowTitle(QString::fromUtf8("从备份恢复"));
    BuildControls();
    LoadCopies();
}

void FrmRestore::BuildControls() {
    auto* caption = W::Label(this, "Label1", "备份列表（最新的在前）");
    lstBackup_ = new QListWidget(this);
    lstBackup_->setObjectName("lstBackup");
    lstBackup_->setSelectionMode(QAbstractItemView::SingleSelection);
    lstBackup_->setMinimumSize(220, 220);
    lblBackupInfo_ = new QLabel(this);
    lblBackupInfo_->setObjectName("lblBackupInfo");
    lblBackupInfo_->setWordWrap(true);
    lblBackupInfo_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblBackupInfo_->setMinimumWidth(240);
    auto* note = W::Label(this, "Label2",
                          "恢复后，当前的数据会另存在backup目录中（db-before-restore-…dll），"
                          "需要时可以再恢复回来。",
                          true);
    note->setWordWrap(true);
    btnRestore_ = W::Button(this, "btnRestore", "恢复");
    auto* btnExit = W::Button(this, "btnExit", "退出");

    auto* info = new QVBoxLayout;
    info->addWidget(lblBackupInfo_, 1);
    info->addWidget(note);
    auto* body = new QHBoxLayout;
    body->addWidget(lstBackup_);
    body->addLayout(info, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnRestore_);
    buttons->addWidget(btnExit);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption);
    layout->addLayout(body, 1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(lstBackup_, &QListWidget::currentRowChanged, this, [this] { lstBackupClick(); });
    connect(btnRestore_, &QPushButton::clicked, this, [this] { btnRestoreClick(); });
    connect(btnExit, &QPushButton::clicked, this, &QDialog::reject);
}

void FrmRestore::LoadCopies() {
    copies_ = restore_.ListCopies();
    lstBackup_->clear();
    for (const auto& copy : copies_)
        lstBackup_->addItem(W::Text(CopyCaption(copy)));
    btnRestore_->setEnabled(!copies_.empty());
    if (copies_.empty())
        lblBackupInfo_->setText(QString::fromUtf8(kNoCopies));
    else
        lstBackup_->setCurrentRow(0);
}

const BackupRestore::Copy* FrmRestore::Selected() const {
    const int row = lstBackup_->currentRow();
    if (row < 0 || static_cast<std::size_t>(row) >= copies_.size())
        return nullptr;
    return &copies_[static_cast<std::size_t>(row)];
}

void FrmRestore::lstBackupClick() {
    const BackupRestore::Copy* copy = Selected();
    if (copy == nullptr)
        return;
    std::string text = "备份日期：" + copy->date + "\n文件：" + copy->fileName + "\n\n方案：\n";
    try {
        const auto plans = BackupRestore::PlansOf(*copy);
        for (const auto& plan : plans)
            text += "    " + plan.name + (plan.active ? "（启用）" : "") + "\n";
        if (plans.empty())
            text += "    （没有方案）\n";
    } catch (const std::exception& error) {
        // A damaged copy is shown as such; the restore refuses it too.
        text += std::string("    无法读取该备份：") + error.what() + "\n";
    }
    lblBackupInfo_->setText(W::Text(text));
}

void FrmRestore::btnRestoreClick() {
    context_.guard.Run([this] {
        const BackupRestore::Copy* copy = Selected();
        if (copy == nullptr) {
            context_.boxes.Inform(kChooseCopy);
            return;
        }
        const BackupRestore::Copy chosen = *copy;
        if (!context_.boxes.AskYesNo("确认用 " + CopyCaption(chosen) +
                                     " 的备份替换当前的数据吗？\r当前的数据会另存在backup目录中。"))
            return;
        context_.playback.stop();
        const std::string kept = restore_.Restore(chosen, context_.clock.Now());
        context_.boxes.Inform("已从 " + CopyCaption(chosen) +
                              " 的备份恢复。\r原来的数据已另存为 backup/" + kept +
                              "。\r程序将重新读取方案和铃声。");
        done(1);
    });
}

}  // namespace chimora
