#include "dialogs/frm_batch_add.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimeEdit>

#include "app/core/music_files.h"
#include "app/core/time_of_day.h"
#include "dialogs/dialog_widgets.h"
#include "dialogs/volume_control.h"
#include "dialogs/week_boxes.h"

namespace chimora {

using W = DialogWidgets;

namespace {

// The end time in the long time format of the locale the schedule is kept in, zh_CN, whose
// long form of a time of day is "hh:mm:ss" (the desktop's own locale may add a zone).
QString LongTime(const QTime& time) {
    return time.toString("HH:mm:ss");
}

}  // namespace

FrmBatchAdd::FrmBatchAdd(QWidget* parent, DialogContext& context)
    : QDialog(parent),
      context_(context),
      plan_(context.paths.GetAppPath(), context.paths.GetMusicPath(), context.files) {
    setObjectName("FrmBatchAdd");
    setWindowTitle(QString::fromUtf8("新增连续播放"));
    BuildControls();
    DTP1_->setTime(W::TimeOf(context_.clock.Now()));
    lblEnd_->setText(QString::fromUtf8(kEndCaption));  // no end time until a file is listed
    weeks_->CheckDay(WeekdayNumber(context_.clock.Now()));
}

void FrmBatchAdd::BuildControls() {
    auto* group = new QGroupBox(QString::fromUtf8("设置铃声信息"), this);
    group->setObjectName("GroupBox1");
    auto* grid = new QGridLayout(group);

    grid->addWidget(W::Label(group, "Label3", "批量铃声描述"), 0, 0);
    txtDesc_ = new QLineEdit(group);
    txtDesc_->setObjectName("txtDesc");
    grid->addWidget(txtDesc_, 0, 1);
    grid->addWidget(W::Label(group, "Label6", "如:早操前音乐", true), 0, 2);

    grid->addWidget(W::Label(group, "Label1", "请选择铃声文件"), 1, 0);
    fileSelect_ = W::FileChoice(
        group, MusicFiles::ListMusicFiles(context_.files, context_.paths.GetMusicPath() + "*.*"));
    grid->addWidget(fileSelect_, 1, 1);
    auto* btnAddToList = W::Button(group, "btnAddToList", "↓ 添加到连续播放列表    ");
    grid->addWidget(btnAddToList, 1, 2);
    grid->addWidget(W::Label(group, "Label5", "添加后会自动计算时长，达到连续播放的目的", true), 2,
                    1, 1, 2);

    fileMutiSelect_ = new QListWidget(group);
    fileMutiSelect_->setObjectName("fileMutiSelect");
    fileMutiSelect_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->addWidget(fileMutiSelect_, 3, 1, 3, 1);
    auto* btnRemove = W::Button(group, "btnRemove", "移除");
    grid->addWidget(btnRemove, 3, 2);
    btnTest_ = W::Button(group, "btnTest", kTestCaption);
    grid->addWidget(btnTest_, 4, 2);

    grid->addWidget(W::Label(group, "Label2", "开始播放时间"), 6, 0);
    DTP1_ = W::TimePicker(group, "DTP1");
    grid->addWidget(DTP1_, 6, 1);
    lblEnd_ = W::Label(group, "lblEnd", kEndCaption);
    grid->addWidget(lblEnd_, 7, 1);
    grid->addWidget(W::Label(group, "lblVolume", "音量"), 8, 0);
    volume_ = new VolumeControl(group);
    grid->addWidget(volume_, 8, 1);
    txtTime_ = new QLineEdit(group);
    txtTime_->setObjectName("txtTime");
    txtTime_->setVisible(false);

    weeks_ = new WeekBoxes(this);

    auto* btnSave = W::LayOutEntryDialog(this, group, weeks_);

    connect(btnAddToList, &QPushButton::clicked, this, [this] { btnAddToListClick(); });
    connect(btnRemove, &QPushButton::clicked, this, [this] { btnRemoveClick(); });
    connect(btnTest_, &QPushButton::clicked, this, [this] { btnTestClick(); });
    connect(fileMutiSelect_, &QListWidget::itemDoubleClicked, this, [this] { btnTestClick(); });
    connect(DTP1_, &QTimeEdit::timeChanged, this, [this] { flashEndTime(); });
    connect(btnSave, &QPushButton::clicked, this, [this] { btnSaveClick(); });
}

void FrmBatchAdd::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void FrmBatchAdd::FormShow() {
    txtDesc_->setFocus();
    if (context_.playback.MediaPlayer1().Mode() == platform::PlayerMode::Playing)
        btnTest_->setText(QString::fromUtf8(kStopCaption));
}

std::vector<std::string> FrmBatchAdd::Entries() const {
    std::vector<std::string> entries;
    for (int i = 0; i < fileMutiSelect_->count(); ++i)
        entries.push_back(W::Utf8(fileMutiSelect_->item(i)->text()));
    return entries;
}

long FrmBatchAdd::Duration(const std::string& entry) {
    return MusicPlayback::GetMusicLength(context_.paths.GetMusicPath() + entry,
                                         context_.playback.MediaPlayer1());
}

void FrmBatchAdd::btnAddToListClick() {
    context_.guard.Run([this] {
        if (fileSelect_->count() == 0 || fileSelect_->currentIndex() < 0)
            return;
        const std::string entry = W::Utf8(fileSelect_->currentText());
        // Measured before it joins the list: a file the player cannot open is refused with
        // the player's error, and the list and the durations stay in step.
        Duration(entry);
        fileMutiSelect_->addItem(W::Text(entry));
        setAllTime();
        flashEndTime();
    });
}

void FrmBatchAdd::btnRemoveClick() {
    context_.guard.Run([this] {
        const auto selected = fileMutiSelect_->selectedItems();
        if (selected.isEmpty())
            return;
        delete fileMutiSelect_->takeItem(fileMutiSelect_->row(selected.first()));
        if (fileMutiSelect_->count() > 0)
            fileMutiSelect_->setCurrentRow(0);
        setAllTime();
        flashEndTime();
    });
}

void FrmBatchAdd::setAllTime() {
    std::vector<long> seconds;
    for (const auto& entry : Entries())
        seconds.push_back(Duration(entry));
    txtTime_->setText(W::Text(BatchAddPlan::JoinDurations(seconds)));
}

void FrmBatchAdd::flashEndTime() {
    const std::string end = BatchAddPlan::EndTime(
        W::TimeText(DTP1_), BatchAddPlan::SplitDurations(W::Utf8(txtTime_->text())));
    lblEnd_->setText(QString::fromUtf8(kEndCaption) + LongTime(W::TimeOf(end)));
}

void FrmBatchAdd::btnTestClick() {
    context_.guard.Run([this] {
        if (btnTest_->text() == QString::fromUtf8(kStopCaption)) {
            btnTest_->setText(QString::fromUtf8(kTestCaption));
            context_.playback.stop();
            return;
        }
        const auto selected = fileMutiSelect_->selectedItems();
        if (fileMutiSelect_->count() == 0 || selected.isEmpty())
            return;
        context_.playback.play(context_.paths.GetMusicPath() + W::Utf8(selected.first()->text()),
                               volume_->Percent());
        btnTest_->setText(QString::fromUtf8(kStopCaption));
    });
}

void FrmBatchAdd::btnSaveClick() {
    context_.guard.Run([this] { Save(); });
}

void FrmBatchAdd::Save() {
    RingForm form;
    form.weeks = weeks_->Checked();
    form.desc = W::Utf8(txtDesc_->text());
    form.volume = volume_->Percent();
    const std::vector<std::string> entries = Entries();
    if (const auto refusal = plan_.Check(form, entries)) {
        context_.boxes.Inform(refusal->message);
        if (refusal->focus == InputRefusal::Focus::Description)
            txtDesc_->setFocus();
        else if (refusal->focus == InputRefusal::Focus::PlayList)
            fileMutiSelect_->setFocus();
        else if (refusal->focus == InputRefusal::Focus::FileChoice)
            fileSelect_->setFocus();
        return;
    }
    plan_.Save(form, entries, W::Utf8(txtTime_->text()), W::TimeText(DTP1_),
               context_.state.CurrFangAn);
    context_.loader.LoadAllDataToMem();
    done(1);
}

}  // namespace chimora
