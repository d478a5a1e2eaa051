#pragma once

#include <string>
#include <vector>

#include <QDialog>

#include "app/core/batch_add_plan.h"
#include "app/core/dialog_context.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimeEdit;

namespace chimora {

class VolumeControl;
class WeekBoxes;

// "新增连续播放": a play list of sound files becomes consecutive ring entries of the active
// plan. A save closes it with result 1.
class FrmBatchAdd : public QDialog {
  public:
    static constexpr const char* kTestCaption = "试听(或双击音乐)";
    static constexpr const char* kStopCaption = "停止";
    static constexpr const char* kEndCaption = "结束播放时间：";

    FrmBatchAdd(QWidget* parent, DialogContext& context);

    void FormShow();
    void btnAddToListClick();
    void btnRemoveClick();
    void setAllTime();
    void flashEndTime();
    void btnTestClick();
    void btnSaveClick();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void BuildControls();
    std::vector<std::string> Entries() const;
    long Duration(const std::string& entry);
    void Save();

    DialogContext& context_;
    BatchAddPlan plan_;
    QLineEdit* txtDesc_ = nullptr;
    QComboBox* fileSelect_ = nullptr;
    QListWidget* fileMutiSelect_ = nullptr;
    QPushButton* btnTest_ = nullptr;
    QTimeEdit* DTP1_ = nullptr;
    QLabel* lblEnd_ = nullptr;
    QLineEdit* txtTime_ = nullptr;
    WeekBoxes* weeks_ = nullptr;
    VolumeControl* volume_ = nullptr;
};

}  // namespace chimora
