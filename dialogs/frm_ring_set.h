#pragma once

#include <string>

#include <QDialog>

#include "app/core/dialog_context.h"
#include "app/core/ring_obj.h"
#include "app/core/ring_set_saver.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QTimeEdit;

namespace chimora {

class VolumeControl;
class WeekBoxes;

// "铃声及时间设置": adds one ring entry to the active plan (mode "ADD") or changes the entry
// handed in (mode "UPD"). A save closes it with result 1.
class FrmRingSet : public QDialog {
  public:
    static constexpr const char* kTestCaption = "试听";
    static constexpr const char* kStopCaption = "停止";

    FrmRingSet(QWidget* parent, DialogContext& context, const std::string& mode,
               const RingObj& ring);

    void btnSaveClick();
    void btnTestClick();
    void btnAddFileClick();
    void FormShow();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void BuildControls();
    void LoadEntry(const RingObj& ring);
    RingForm Form() const;
    void Save();
    void FocusOn(InputRefusal::Focus focus);

    DialogContext& context_;
    std::string mode_;
    std::string id_;
    RingSetSaver saver_;
    QLineEdit* txtDesc_ = nullptr;
    QComboBox* fileSelect_ = nullptr;
    QPushButton* btnTest_ = nullptr;
    QTimeEdit* DTP1_ = nullptr;
    WeekBoxes* weeks_ = nullptr;
    VolumeControl* volume_ = nullptr;
};

}  // namespace chimora
