#include "platform/qt/qt_message_boxes.h"

#include <QApplication>
#include <QMessageBox>

namespace chimora::platform {

namespace {

QMessageBox::Icon IconOf(MessageBoxes::Kind kind) {
    switch (kind) {
        case MessageBoxes::Kind::Information:
            return QMessageBox::Information;
        case MessageBoxes::Kind::Confirmation:
            return QMessageBox::Question;
        case MessageBoxes::Kind::Warning:
            return QMessageBox::Warning;
        case MessageBoxes::Kind::Error:
            return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

QString TitleOf(MessageBoxes::Kind kind) {
    switch (kind) {
        case MessageBoxes::Kind::Information:
            return QStringLiteral("Information");
        case MessageBoxes::Kind::Confirmation:
            return QStringLiteral("Confirm");
        case MessageBoxes::Kind::Warning:
            return QStringLiteral("Warning");
        case MessageBoxes::Kind::Error:
            return QStringLiteral("Error");
    }
    return {};
}

QMessageBox::StandardButtons ButtonsOf(MessageBoxes::Buttons buttons) {
    switch (buttons) {
        case MessageBoxes::Buttons::Ok:
            return QMessageBox::Ok;
        case MessageBoxes::Buttons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case MessageBoxes::Buttons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

MessageBoxes::Answer AnswerOf(int button) {
    switch (button) {
        case QMessageBox::Yes:
            return MessageBoxes::Answer::Yes;
        case QMessageBox::No:
            return MessageBoxes::Answer::No;
        case QMessageBox::Cancel:
            return MessageBoxes::Answer::Cancel;
        default:
            return MessageBoxes::Answer::Ok;
    }
}

}  // namespace

MessageBoxes::Answer QtMessageBoxes::Show(Kind kind, const std::string& text, Buttons buttons) {
    QMessageBox box(IconOf(kind), TitleOf(kind), QString::fromStdString(text), ButtonsOf(buttons),
                    QApplication::activeWindow());
    // The texts break lines with a bare carriage return as well as with CR LF.
    box.setText(QString::fromStdString(text)
                    .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                    .replace(QLatin1Char('\r'), QLatin1Char('\n')));
    // Closing the box with Escape or its close button counts as the negative answer.
    if (buttons == Buttons::YesNo)
        box.setEscapeButton(QMessageBox::No);
    else if (buttons == Buttons::OkCancel)
        box.setEscapeButton(QMessageBox::Cancel);
    return AnswerOf(box.exec());
}

}  // namespace chimora::platform
