#pragma once

#include <QDialog>
#include <optional>
#include <string>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace chimora {

// The store's password prompt: names the database file and asks for its password.
class ChimDBLoginForm : public QDialog {
    Q_OBJECT

  public:
    explicit ChimDBLoginForm(const std::string& filePath, QWidget* parent = nullptr);

    // The typed password (meaningful once the dialog was accepted).
    std::string Password() const;

    // The session's prompt: shows the form modally; nullopt when the user cancelled.
    static std::optional<std::string> Ask(const std::string& filePath);

  private:
    QFrame* BackPanel;
    QLabel* DatabaseLabel;
    QLabel* PasswordLabel;
    QLineEdit* DatabaseEdit;
    QLineEdit* PasswordEdit;
    QPushButton* OkButton;
    QPushButton* CancelButton;
};

}  // namespace chimora
