#pragma once

#include <string>

#include "app/core/dialog_context.h"
#include "app/core/ring_obj.h"

class QWidget;

namespace chimora {

// The main window's ways into the editing dialogs. Each creates its dialog, shows it
// modally over parent and returns its modal result: 1 (OK) when it stored something,
// 2 (cancel) otherwise.
int ShowRingSetDialog(QWidget* parent, DialogContext& context, const std::string& mode,
                      const RingObj& ring);
int ShowFangAnDialog(QWidget* parent, DialogContext& context);
int ShowBatchAddDialog(QWidget* parent, DialogContext& context);
// After a restore from a backup: BackupRestore::kRestoredResult.
int ShowSettingDialog(QWidget* parent, DialogContext& context);
int ShowCalendarDialog(QWidget* parent, DialogContext& context);

}  // namespace chimora
