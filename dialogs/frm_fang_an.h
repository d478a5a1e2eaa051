#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QDialog>

#include "app/core/dialog_context.h"
#include "app/core/fang_an_manager.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace chimora {

// "方案管理": creates, renames, deletes and applies plans. Only an apply closes it, with
// result 1.
class FrmFangAn : public QDialog {
  public:
    FrmFangAn(QWidget* parent, DialogContext& context);

    // False when reading the plans failed (the error was shown): the dialog is not shown.
    bool Ready() const { return ready_; }

    void loadFangList();
    void lstFangAnClick();
    void btnAddClick();
    void btnEditClick();
    void btnDelClick();
    void btnApplyClick();
    void btnExportClick();
    void btnImportClick();

    // The file and name questions of export and import; the real dialogs by default, tests
    // put in their own. An empty path or no name is a cancel.
    std::function<std::string(const std::string& suggested)> chooseExportFile;
    std::function<std::string()> chooseImportFile;
    std::function<std::optional<std::string>(const std::string& question,
                                             const std::string& suggested)>
        askNewName;

  private:
    void BuildControls();
    std::string Selected() const;
    std::vector<std::string> Names() const;
    void EnablePlanButtons(bool enabled);
    // Shows the refusal (OK box) and moves the focus; true when there was one.
    bool Refuse(const std::optional<InputRefusal>& refusal);
    // The name an imported plan is stored under: its own, or one the user gives while it
    // is taken or cannot be stored. Nothing when the user cancels.
    std::optional<std::string> ImportName(const std::string& proposed);
    void UseRealFileDialogs();

    DialogContext& context_;
    FangAnManager manager_;
    QLineEdit* txtAddName_ = nullptr;
    QLineEdit* txtEditName_ = nullptr;
    QPushButton* btnEdit_ = nullptr;
    QPushButton* btnDel_ = nullptr;
    QPushButton* btnApply_ = nullptr;
    QListWidget* lstFangAn_ = nullptr;
    QLabel* lblCurrFangAn_ = nullptr;
    bool ready_ = false;
};

}  // namespace chimora
