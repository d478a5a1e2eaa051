#include "dialogs/volume_control.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>

#include "app/core/ring_volume.h"
#include "dialogs/dialog_widgets.h"

namespace chimora {

VolumeControl::VolumeControl(QWidget* parent) : QWidget(parent) {
    setObjectName("VolumeControl");
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    trkVolume_ = new QSlider(Qt::Horizontal, this);
    trkVolume_->setObjectName("trkVolume");
    trkVolume_->setRange(RingVolume::kLowest, RingVolume::kFull);
    trkVolume_->setPageStep(10);
    trkVolume_->setValue(RingVolume::kFull);
    trkVolume_->setMinimumWidth(180);
    lblVolumeValue_ = DialogWidgets::Label(this, "lblVolumeValue", "100%");
    // Wide enough for "100%", so that the slider does not jump as the number shrinks.
    lblVolumeValue_->setMinimumWidth(lblVolumeValue_->fontMetrics().horizontalAdvance("100%") + 4);
    row->addWidget(trkVolume_, 1);
    row->addWidget(lblVolumeValue_);
    connect(trkVolume_, &QSlider::valueChanged, this, [this] { ShowPercent(); });
}

int VolumeControl::Percent() const {
    return trkVolume_->value();
}

void VolumeControl::SetPercent(int percent) {
    if (percent < RingVolume::kLowest || percent > RingVolume::kFull)
        percent = RingVolume::kFull;
    trkVolume_->setValue(percent);
    ShowPercent();
}

void VolumeControl::ShowPercent() {
    lblVolumeValue_->setText(QString::number(trkVolume_->value()) + "%");
}

}  // namespace chimora
