#pragma once

#include <QWidget>

class QLabel;
class QSlider;

namespace chimora {

// The volume of a ring entry: the caption "音量", the slider trkVolume (1..100 percent) and
// the label lblVolumeValue that shows the percent ("100%").
class VolumeControl : public QWidget {
  public:
    explicit VolumeControl(QWidget* parent);

    int Percent() const;
    // A stored value outside 1..100 (none, for an entry made before volumes) is full volume.
    void SetPercent(int percent);

  private:
    void ShowPercent();

    QSlider* trkVolume_ = nullptr;
    QLabel* lblVolumeValue_ = nullptr;
};

}  // namespace chimora
