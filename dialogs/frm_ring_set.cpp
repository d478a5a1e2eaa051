#include "dialogs/frm_ring_set.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeEdit>

#include "app/core/music_files.h"
#include "app/core/ring_volume.h"
#include "app/core/time_of_day.h"
#include "dialogs/dialog_widgets.h"
#include "dialogs/volume_control.h"
#include "dialogs/week_boxes.h"

namespace chimora {

using W = DialogWidgets;

FrmRingSet::FrmRingSet(QWidget* parent, DialogContext& context, const std::string& mode,
                       const RingObj& ring)
    : QDialog(parent),
      context_(context),
      mode_(mode),
      saver_(context.paths.GetAppPath(), context.paths.GetMusicPath(), context.files) {
    setObjectName("FrmRingSet");
    setWindowTitle(QString::fromUtf8("铃声及时间设置"));
    BuildControls();
    DTP1_->setTime(W::TimeOf(context_.clock.Now()));
    if (mode_ == "ADD")
        weeks_->CheckDay(WeekdayNumber(context_.clock.Now()));
    if (mode_ == "UPD")
        LoadEntry(ring);
}

void FrmRingSet::BuildControls() {
    auto* group = new QGroupBox(QString::fromUtf8("设置铃声信息"), this);
    group->setObjectName("GroupBox1");
    auto* grid = new QGridLayout(group);

    grid->addWidget(W::Label(group, "Label3", "铃声描述"), 0, 0);
    txtDesc_ = new QLineEdit(group);
    txtDesc_->setObjectName("txtDesc");
    grid->addWidget(txtDesc_, 0, 1);
    grid->addWidget(W::Label(group, "Label6", "如:早操铃声", true), 0, 2);

    grid->addWidget(W::Label(group, "Label1", "请选择铃声文件"), 1, 0);
    fileSelect_ = W::FileChoice(
        group, MusicFiles::ListMusicFiles(context_.files, context_.paths.GetMusicPath() + "*.*"));
    grid->addWidget(fileSelect_, 1, 1);
    btnTest_ = W::Button(group, "btnTest", kTestCaption);
    grid->addWidget(btnTest_, 1, 2);
    grid->addWidget(W::Label(group, "Label5", "支持音乐格式：mp3、wav、mid等常见音乐格式", true), 2,
                    1);
    auto* btnAddFile = W::Button(group, "btnAddFile", "复制文件到此目录即可出现在下拉框");
    grid->addWidget(btnAddFile, 3, 1);
    grid->addWidget(W::Label(group, "lblVolume", "音量"), 6, 0);
    volume_ = new VolumeControl(group);
    grid->addWidget(volume_, 6, 1);

    grid->addWidget(W::Label(group, "Label2", "设置开始打铃时间"), 4, 0);
    DTP1_ = W::TimePicker(group, "DTP1");
    grid->addWidget(DTP1_, 4, 1);
    auto* warning =
        W::Label(group, "Label4", "两次打铃之间请保留足够的时间，否则后面的会覆盖前面的", true);
    warning->setWordWrap(true);
    grid->addWidget(warning, 5, 1, 1, 2);

    weeks_ = new WeekBoxes(this);

    auto* btnSave = W::LayOutEntryDialog(this, group, weeks_);

    connect(btnSave, &QPushButton::clicked, this, [this] { btnSaveClick(); });
    connect(btnTest_, &QPushButton::clicked, this, [this] { btnTestClick(); });
    connect(btnAddFile, &QPushButton::clicked, this, [this] { btnAddFileClick(); });
}

void FrmRingSet::LoadEntry(const RingObj& ring) {
    for (int day = 1; day <= 8; ++day)
        weeks_->Week(day)->setChecked(ring.WeekFlag(day) == "1");
    id_ = ring.ID;
    txtDesc_->setText(W::Text(ring.RINGDESC));
    fileSelect_->setCurrentIndex(
        fileSelect_->findText(W::Text(ring.RINGFILE), Qt::MatchFixedString));
    const QTime time = W::TimeOf(ring.RINGTIME);
    DTP1_->setTime(time.isValid() ? time : QTime(0, 0, 0));
    volume_->SetPercent(RingVolume::Percent(ring.RINGVOLUME));
}

void FrmRingSet::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void FrmRingSet::FormShow() {
    txtDesc_->setFocus();
    if (context_.playback.MediaPlayer1().Mode() == platform::PlayerMode::Playing)
        btnTest_->setText(QString::fromUtf8(kStopCaption));
}

RingForm FrmRingSet::Form() const {
    RingForm form;
    form.weeks = weeks_->Checked();
    form.desc = W::Utf8(txtDesc_->text());
    form.file = W::Utf8(fileSelect_->currentText());
    form.time = W::TimeText(DTP1_);
    form.volume = volume_->Percent();
    return form;
}

void FrmRingSet::FocusOn(InputRefusal::Focus focus) {
    if (focus == InputRefusal::Focus::Description)
        txtDesc_->setFocus();
    else if (focus == InputRefusal::Focus::FileChoice)
        fileSelect_->setFocus();
}

void FrmRingSet::btnSaveClick() {
    context_.guard.Run([this] { Save(); });
}

void FrmRingSet::Save() {
    const RingForm form = Form();
    if (const auto refusal = saver_.Check(form)) {
        context_.boxes.Inform(refusal->message);
        FocusOn(refusal->focus);
        return;
    }
    if (mode_ == "ADD") {
        saver_.Add(form, context_.state.CurrFangAn);
    } else if (mode_ == "UPD") {
        if (!saver_.Update(id_, form)) {
            context_.boxes.Inform(RingSetSaver::kEntryGone);
            return;
        }
    } else {
        return;
    }
    context_.loader.LoadAllDataToMem();
    done(1);
}

void FrmRingSet::btnTestClick() {
    context_.guard.Run([this] {
        if (btnTest_->text() == QString::fromUtf8(kTestCaption)) {
            context_.playback.play(
                context_.paths.GetMusicPath() + W::Utf8(fileSelect_->currentText()),
                volume_->Percent());
            btnTest_->setText(QString::fromUtf8(kStopCaption));
        } else {
            btnTest_->setText(QString::fromUtf8(kTestCaption));
            context_.playback.stop();
        }
    });
}

void FrmRingSet::btnAddFileClick() {
    context_.guard.Run(
        [this] { context_.shell.OpenFolder(context_.paths.GetAppPath() + "music"); });
}

}  // namespace chimora
