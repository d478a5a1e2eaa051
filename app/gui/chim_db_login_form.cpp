#include "app/gui/chim_db_login_form.h"

#include <QApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace chimora {

namespace {

constexpr int kWidth = 281;
constexpr int kHeight = 154;
constexpr int kEditLeft = 86;
constexpr int kEditHeight = 21;

template <typename T>
T* Named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

}  // namespace

ChimDBLoginForm::ChimDBLoginForm(const std::string& filePath, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("ChimDBLoginForm"));
    setWindowTitle(QStringLiteral("Database Login"));
    setFixedSize(kWidth, kHeight);
    setFont(QApplication::font("QMessageBox"));
    setLayoutDirection(QGuiApplication::layoutDirection());

    BackPanel = Named(new QFrame(this), "BackPanel");
    BackPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    BackPanel->setLineWidth(2);
    BackPanel->setGeometry(8, 8, kWidth - 16, 75);
    const int editWidth = BackPanel->contentsRect().width() - 98;

    DatabaseLabel = Named(new QLabel(QStringLiteral("Database:"), BackPanel), "DatabaseLabel");
    DatabaseLabel->move(12, 15);
    PasswordLabel = Named(new QLabel(QStringLiteral("Password:"), BackPanel), "PasswordLabel");
    PasswordLabel->move(12, 45);

    DatabaseEdit =
        Named(new QLineEdit(QString::fromStdString(filePath), BackPanel), "DatabaseEdit");
    DatabaseEdit->setGeometry(kEditLeft, 12, editWidth, kEditHeight);
    DatabaseEdit->setReadOnly(true);
    DatabaseEdit->setFocusPolicy(Qt::NoFocus);
    DatabaseEdit->setBackgroundRole(QPalette::Button);
    DatabaseEdit->setStyleSheet(QStringLiteral("QLineEdit { background: palette(button); }"));

    PasswordEdit = Named(new QLineEdit(BackPanel), "PasswordEdit");
    PasswordEdit->setGeometry(kEditLeft, 42, editWidth, kEditHeight);
    PasswordEdit->setEchoMode(QLineEdit::Password);

    OkButton = Named(new QPushButton(QStringLiteral("&OK"), this), "OkButton");
    OkButton->setGeometry(109, 94, 75, 25);
    OkButton->setDefault(true);
    CancelButton = Named(new QPushButton(QStringLiteral("&Cancel"), this), "CancelButton");
    CancelButton->setGeometry(191, 94, 75, 25);
    connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

    setTabOrder(PasswordEdit, OkButton);
    setTabOrder(OkButton, CancelButton);
    PasswordEdit->setFocus();

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

std::string ChimDBLoginForm::Password() const {
    return PasswordEdit->text().toStdString();
}

std::optional<std::string> ChimDBLoginForm::Ask(const std::string& filePath) {
    ChimDBLoginForm form(filePath);
    if (form.exec() != QDialog::Accepted)
        return std::nullopt;
    return form.Password();
}

}  // namespace chimora
