#include "dialogs/week_boxes.h"

#include <QCheckBox>
#include <QGridLayout>

namespace chimora {

namespace {

constexpr const char* kDayCaptions[8] = {"星期一", "星期二", "星期三", "星期四",
                                         "星期五", "星期六", "星期日", "临时铃声"};

}  // namespace

WeekBoxes::WeekBoxes(QWidget* parent) : QGroupBox(QString::fromUtf8("同时应用到"), parent) {
    setObjectName("GroupBox2");
    auto* grid = new QGridLayout(this);
    for (int i = 0; i < 8; ++i) {
        auto* box = new QCheckBox(QString::fromUtf8(kDayCaptions[i]), this);
        box->setObjectName(QString("chkWeek%1").arg(i + 1));
        weeks_[static_cast<std::size_t>(i)] = box;
        grid->addWidget(box, i / 4, i % 4);
    }
    selectWeek_ = new QCheckBox(QString::fromUtf8("选择周一到周五"), this);
    selectWeek_->setObjectName("chkSelectWeek");
    grid->addWidget(selectWeek_, 2, 0, 1, 4);
    // Only a click of the user's counts, as the shortcut reacts to the box being clicked.
    connect(selectWeek_, &QCheckBox::clicked, this, [this] { chkSelectWeekClick(); });
}

std::array<bool, 8> WeekBoxes::Checked() const {
    std::array<bool, 8> checked{};
    for (std::size_t i = 0; i < weeks_.size(); ++i)
        checked[i] = weeks_[i]->isChecked();
    return checked;
}

void WeekBoxes::CheckDay(int day) {
    if (day >= 1 && day <= 7)
        Week(day)->setChecked(true);
}

void WeekBoxes::chkSelectWeekClick() {
    const bool on = selectWeek_->isChecked();
    for (int day = 1; day <= 8; ++day)
        Week(day)->setChecked(on && day <= 5);
}

}  // namespace chimora
