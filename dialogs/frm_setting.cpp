#include "dialogs/frm_setting.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimeEdit>
#include <QTimer>
#include <QVBoxLayout>

#include "dialogs/dialog_widgets.h"
#include "dialogs/frm_auto_start.h"
#include "dialogs/frm_restore.h"

namespace chimora {

using W = DialogWidgets;

FrmSetting::FrmSetting(QWidget* parent, DialogContext& context)
    : QDialog(parent),
      context_(context),
      saver_(context.loader, context.autorun, context.executablePath) {
    setObjectName("FrmSetting");
    setWindowTitle(QString::fromUtf8("系统设置"));
    BuildControls();
    LoadValues();
}

void FrmSetting::BuildControls() {
    chk1_ = new QCheckBox(QString::fromUtf8("开机自动运行"), this);
    chk1_->setObjectName("chk1");
    chk2_ = new QCheckBox(QString::fromUtf8("定时关机"), this);
    chk2_->setObjectName("chk2");
    DTP1_ = W::TimePicker(this, "DTP1");
    auto* btnSave = W::Button(this, "btnSave", "保存");
    auto* btnExit = W::Button(this, "btnExit", "退出");
    auto* btnView = W::Button(this, "btnView", "常见问题解答");
    auto* btnRestore = W::Button(this, "btnRestore", "从备份恢复");

    auto* grid = new QGridLayout;
    grid->addWidget(chk1_, 0, 0, 1, 2);
    grid->addWidget(chk2_, 1, 0, 1, 2);
    grid->addWidget(W::Label(this, "Label1", "关机时间"), 2, 0);
    grid->addWidget(DTP1_, 2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnView);
    buttons->addWidget(btnRestore);
    buttons->addStretch();
    buttons->addWidget(btnSave);
    buttons->addWidget(btnExit);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(340, 0)));

    connect(chk2_, &QCheckBox::toggled, this, [this] { chk2Click(); });
    connect(btnSave, &QPushButton::clicked, this, [this] { btnSaveClick(); });
    connect(btnExit, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnView, &QPushButton::clicked, this, [this] { btnViewClick(); });
    connect(btnRestore, &QPushButton::clicked, this, [this] { btnRestoreClick(); });
}

void FrmSetting::LoadValues() {
    ready_ = context_.guard.Run([this] { context_.loader.LoadConfigData(); });
    const ConfigObj& config = context_.state.SysConfig;
    chk1_->setChecked(config.AutoRun == "1");
    chk2_->setChecked(config.ShutDown == "1");
    chk2Click();
    // A stored time that reads as no time must not lock the user out of the one place
    // where it can be repaired: show midnight and say so.
    const auto time = SettingSaver::ReadShutdownTime(config.ShutDownTime);
    DTP1_->setTime(W::TimeOf(time.value_or("00:00:00")));
    if (!time)
        timeNote_ = SettingSaver::BadTimeNote(config.ShutDownTime);
}

void FrmSetting::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!timeNote_.empty() && !noteShown_) {
        noteShown_ = true;
        // After the dialog is on screen, so that the note stands in front of it.
        QTimer::singleShot(0, this, [this] { context_.boxes.Inform(timeNote_); });
    }
}

void FrmSetting::chk2Click() {
    DTP1_->setEnabled(chk2_->isChecked());
}

void FrmSetting::btnSaveClick() {
    context_.guard.Run([this] {
        SettingSaver::Values values;
        values.autoRun = chk1_->isChecked();
        values.shutDown = chk2_->isChecked();
        values.shutDownTime = W::TimeText(DTP1_);
        saver_.Save(values);
        context_.boxes.Inform(SettingSaver::kSaved);
        done(1);
    });
}

void FrmSetting::btnRestoreClick() {
    context_.guard.Run([this] {
        FrmRestore restore(this, context_);
        if (openRestore ? openRestore(restore) == 1 : restore.exec() == 1)
            done(BackupRestore::kRestoredResult);
    });
}

void FrmSetting::btnViewClick() {
    context_.guard.Run([this] {
        FrmAutoStart help(this, context_.shell, context_.guard);
        help.exec();
    });
}

}  // namespace chimora
