#include "dialogs/dialog_launcher.h"

#include "app/core/backup_restore.h"

#include "dialogs/frm_batch_add.h"
#include "dialogs/frm_calendar.h"
#include "dialogs/frm_fang_an.h"
#include "dialogs/frm_ring_set.h"
#include "dialogs/frm_setting.h"

namespace chimora {

namespace {

// The dialogs close with done(1) after a save; every other way out is a cancel.
int ModalResult(QDialog& dialog) {
    return dialog.exec() == 1 ? 1 : 2;
}

}  // namespace

int ShowRingSetDialog(QWidget* parent, DialogContext& context, const std::string& mode,
                      const RingObj& ring) {
    FrmRingSet dialog(parent, context, mode, ring);
    return ModalResult(dialog);
}

int ShowFangAnDialog(QWidget* parent, DialogContext& context) {
    FrmFangAn dialog(parent, context);
    return dialog.Ready() ? ModalResult(dialog) : 2;
}

int ShowBatchAddDialog(QWidget* parent, DialogContext& context) {
    FrmBatchAdd dialog(parent, context);
    return ModalResult(dialog);
}

int ShowSettingDialog(QWidget* parent, DialogContext& context) {
    FrmSetting dialog(parent, context);
    if (!dialog.Ready())
        return 2;
    const int result = dialog.exec();
    return result == BackupRestore::kRestoredResult ? result : result == 1 ? 1 : 2;
}

int ShowCalendarDialog(QWidget* parent, DialogContext& context) {
    FrmCalendar dialog(parent, context);
    return dialog.Ready() ? ModalResult(dialog) : 2;
}

}  // namespace chimora
