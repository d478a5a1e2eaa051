#include "app/gui/dialog_openers.h"

#include "dialogs/dialog_launcher.h"

namespace chimora {

DialogOpeners DialogOpeners::Real() {
    return {ShowRingSetDialog, ShowFangAnDialog, ShowBatchAddDialog, ShowSettingDialog,
            ShowCalendarDialog};
}

}  // namespace chimora
