#pragma once

#include <QDialog>

#include "app/core/event_guard.h"
#include "platform/shell_open.h"

namespace chimora {

// "如何设置自动开机及自动登录": what to set up outside the program so that the bell PC runs
// unattended; the button of the amplifier part opens the maker's page.
class FrmAutoStart : public QDialog {
  public:
    FrmAutoStart(QWidget* parent, platform::ShellOpen& shell, EventGuard& guard);

    void btnViewClick();

  private:
    platform::ShellOpen& shell_;
    EventGuard& guard_;
};

}  // namespace chimora
