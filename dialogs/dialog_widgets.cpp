#include "dialogs/dialog_widgets.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QDialog>
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

QPushButton* DialogWidgets::LayOutEntryDialog(QDialog* dialog, QWidget* group, QWidget* weeks) {
    auto* btnSave = Button(dialog, "btnSave", "保存");
    auto* btnExit = Button(dialog, "btnExit", "退出");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnSave);
    buttons->addWidget(btnExit);

    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(group);
    layout->addWidget(weeks);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    QObject::connect(btnExit, &QPushButton::clicked, dialog, &QDialog::reject);
    return btnSave;
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
