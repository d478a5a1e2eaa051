#pragma once

#include <functional>
#include <string>

#include "app/core/dialog_context.h"
#include "app/core/ring_obj.h"

class QWidget;

namespace chimora {

// How the main window opens the editing dialogs; each returns the dialog's modal result
// (1 when it stored something). The real dialogs by default; tests put in their own.
struct DialogOpeners {
    std::function<int(QWidget*, DialogContext&, const std::string& mode, const RingObj&)> ringSet;
    std::function<int(QWidget*, DialogContext&)> fangAn;
    std::function<int(QWidget*, DialogContext&)> batchAdd;
    std::function<int(QWidget*, DialogContext&)> setting;
    std::function<int(QWidget*, DialogContext&)> calendar;

    static DialogOpeners Real();
};

}  // namespace chimora
