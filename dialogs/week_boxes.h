#pragma once

#include <array>

#include <QGroupBox>

class QCheckBox;

namespace chimora {

// The group "同时应用到" of the ring dialogs: chkWeek1 ... chkWeek7 (Monday ... Sunday),
// chkWeek8 (temporary ring) and the Monday-to-Friday shortcut chkSelectWeek.
class WeekBoxes : public QGroupBox {
  public:
    explicit WeekBoxes(QWidget* parent);

    // Box 1..8.
    QCheckBox* Week(int day) const { return weeks_.at(static_cast<std::size_t>(day - 1)); }
    QCheckBox* SelectWeek() const { return selectWeek_; }
    std::array<bool, 8> Checked() const;
    // Checks the box of weekday number day (1..7), as a new entry starts with today.
    void CheckDay(int day);

    // Checked: Monday to Friday on, the rest off; unchecked: all eight off.
    void chkSelectWeekClick();

  private:
    std::array<QCheckBox*, 8> weeks_{};
    QCheckBox* selectWeek_ = nullptr;
};

}  // namespace chimora
