#pragma once

#include <string>
#include <vector>

#include <QString>

#include "platform/local_date_time.h"

class QComboBox;
class QDialog;
class QLabel;
class QPushButton;
class QTime;
class QTimeEdit;
class QWidget;

namespace chimora {

// Small builders shared by the dialogs: every control carries its name as objectName.
class DialogWidgets {
  public:
    static QString Text(const std::string& utf8) { return QString::fromStdString(utf8); }
    static std::string Utf8(const QString& text) { return text.toStdString(); }

    static QLabel* Label(QWidget* parent, const char* name, const char* text, bool blue = false);
    static QPushButton* Button(QWidget* parent, const char* name, const char* text);
    // The layout of an entry dialog: the group of entry data, the weekday boxes, and the
    // buttons "保存" (btnSave, returned) and "退出" (btnExit, which closes with cancel).
    static QPushButton* LayOutEntryDialog(QDialog* dialog, QWidget* group, QWidget* weeks);
    // A drop-down list without free typing, filled with items, the first selected.
    static QComboBox* FileChoice(QWidget* parent, const std::vector<std::string>& items);
    // A time-of-day picker showing hours, minutes and seconds.
    static QTimeEdit* TimePicker(QWidget* parent, const char* name);
    static QTime TimeOf(const platform::LocalDateTime& clock);
    static QTime TimeOf(const std::string& hhmmss);
    static std::string TimeText(const QTimeEdit* picker);
};

}  // namespace chimora
