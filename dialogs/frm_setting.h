#pragma once

#include <functional>
#include <string>

#include <QDialog>

#include "app/core/dialog_context.h"
#include "app/core/setting_saver.h"

class QCheckBox;
class QLabel;
class QTimeEdit;

namespace chimora {
class FrmRestore;
}

namespace chimora {

// "系统设置": start with the system and the daily shutdown. A save closes it with result 1; a
// restore from a backup with BackupRestore::kRestoredResult.
class FrmSetting : public QDialog {
  public:
    FrmSetting(QWidget* parent, DialogContext& context);

    // The note to show once the dialog is up, when the stored shutdown time read as no
    // time; empty otherwise.
    const std::string& TimeNote() const { return timeNote_; }
    // False when reading the settings failed (the error was shown): the dialog is not shown.
    bool Ready() const { return ready_; }

    void chk2Click();
    void btnSaveClick();
    void btnViewClick();
    void btnRestoreClick();

    // How the restore dialog is shown (its modal result); tests put in their own.
    std::function<int(FrmRestore&)> openRestore;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void BuildControls();
    void LoadValues();

    DialogContext& context_;
    SettingSaver saver_;
    std::string timeNote_;
    bool noteShown_ = false;
    bool ready_ = false;
    QCheckBox* chk1_ = nullptr;
    QCheckBox* chk2_ = nullptr;
    QTimeEdit* DTP1_ = nullptr;
};

}  // namespace chimora
