#pragma once

#include <string>
#include <vector>

#include <QDialog>

#include "app/core/backup_restore.h"
#include "app/core/dialog_context.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace chimora {

// "从备份恢复": the copies of the backup folder, newest first; the selected one's date and
// plans; a restore after a question. A restore closes it with result 1, after which the
// program reads everything again.
class FrmRestore : public QDialog {
  public:
    FrmRestore(QWidget* parent, DialogContext& context);

    void lstBackupClick();
    void btnRestoreClick();

  private:
    void BuildControls();
    void LoadCopies();
    const BackupRestore::Copy* Selected() const;

    DialogContext& context_;
    BackupRestore restore_;
    std::vector<BackupRestore::Copy> copies_;
    QListWidget* lstBackup_ = nullptr;
    QLabel* lblBackupInfo_ = nullptr;
    QPushButton* btnRestore_ = nullptr;
};

}  // namespace chimora
