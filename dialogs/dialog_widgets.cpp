#include "dialogs/dialog_widgets.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTime>
#include <QTimeEdit>

namespace chimora {

namespace {

constexpr const char* kFileChoiceHint = "只要把音乐文件复制到music目录下即可显示在下拉框中";

}  // namespace

QLabel* DialogWidgets::Label(QWidget* parent, const char* name, const char* text, bool blue) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setObjectName(name);
    if (blue)
        label->setStyleSheet("color: blue;");
    return label;
}

QPushButton* DialogWidgets::Button(QWidget* parent, const char* name, const char* text) {
    auto* button = new QPushButton(QString::fromUtf8(text), parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

QComboBox* DialogWidgets::FileChoice(QWidget* parent, const std::vector<std::string>& items) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName("fileSelect");
    combo->setEditable(false);
    combo->setToolTip(QString::fromUtf8(kFileChoiceHint));
    combo->setMinimumContentsLength(30);
    for (const auto& item : items)
        combo->addItem(Text(item));
    combo->setCurrentIndex(items.empty() ? -1 : 0);
    return combo;
}

QTimeEdit* DialogWidgets::TimePicker(QWidget* parent, const char* name) {
    auto* picker = new QTimeEdit(parent);
    picker->setObjectName(name);
    picker->setDisplayFormat("HH:mm:ss");
    return picker;
}

QTime DialogWidgets::TimeOf(const platform::LocalDateTime& clock) {
    return QTime(clock.hour, clock.minute, clock.second);
}

QTime DialogWidgets::TimeOf(const std::string& hhmmss) {
    return QTime::fromString(Text(hhmmss), "HH:mm:ss");
}

std::string DialogWidgets::TimeText(const QTimeEdit* picker) {
    return Utf8(picker->time().toString("HH:mm:ss"));
}

}  // namespace chimora
