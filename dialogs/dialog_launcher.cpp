#include "dialogs/dialog_launcher.h"

namespace chimora {

// Until the dialogs exist their commands open nothing.
int ShowRingSetDialog(QWidget*, DialogContext&, const std::string&, const RingObj&) {
    return 2;
}
int ShowFangAnDialog(QWidget*, DialogContext&) {
    return 2;
}
int ShowBatchAddDialog(QWidget*, DialogContext&) {
    return 2;
}
int ShowSettingDialog(QWidget*, DialogContext&) {
    return 2;
}

}  // namespace chimora
