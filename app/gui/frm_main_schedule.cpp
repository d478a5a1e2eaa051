// The schedule view of the main window: tabs, grid, play button and the entry commands.
#include <QBrush>
#include <QColor>
#include <QGroupBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTableView>
#include <QToolButton>

#include "app/core/time_of_day.h"
#include "app/gui/frm_main.h"
#include "chimdb/chim_table.h"
#include "chimdb/data_set_state.h"

namespace chimora {

namespace {

const char* const kDayNames[] = {"星期一\r", "星期二\r", "星期三\r", "星期四\r",
                                 "星期五\r", "星期六\r", "星期日\r", "临时铃声\r"};

std::string& RingField(RingObj& ring, int column) {
    switch (column) {
        case RingTableModel::kDescColumn:
            return ring.RINGDESC;
        case RingTableModel::kTimeColumn:
            return ring.RINGTIME;
        case RingTableModel::kFileColumn:
            return ring.RINGFILE;
        case RingTableModel::kIdColumn:
            return ring.ID;
        default:
            return ring.WeekFlag(column - RingTableModel::kFirstWeekColumn + 1);
    }
}

}  // namespace

int FrmMain::SelectedTab() const {
    return TabControl->currentIndex();
}

void FrmMain::SelectTabQuietly(int index) {
    const QSignalBlocker quiet(TabControl);
    TabControl->setCurrentIndex(index);
}

void FrmMain::RefreshGrid() {
    model_->ReloadIfPending();
}

void FrmMain::DisplayGrid() {
    if (SelectedTab() == kTempTab) {
        FilterDBGrid->setColumnWidth(RingTableModel::kDescColumn, 300);
        FilterDBGrid->setColumnHidden(RingTableModel::kTimeColumn, true);
        FilterDBGrid->setColumnWidth(RingTableModel::kFileColumn, 320);
    } else {
        FilterDBGrid->setColumnHidden(RingTableModel::kTimeColumn, false);
        FilterDBGrid->setColumnWidth(RingTableModel::kDescColumn, 200);
        FilterDBGrid->setColumnWidth(RingTableModel::kTimeColumn, 120);
        FilterDBGrid->setColumnWidth(RingTableModel::kFileColumn, 300);
    }
    btnAdd->setVisible(true);
    btnupd->setVisible(true);
    btnDel->setVisible(true);
}

void FrmMain::TabControlClick() {
    DisplayGrid();
    loader_.LoadData(SelectedTab() + 1);
    RefreshGrid();
}

void FrmMain::TabControlChange() {
    Guarded([this] {
        TabControlClick();
        if (model_->rowCount() == 0)
            btnPlay->hide();
    });
}

QVariant FrmMain::FilterDBGridDrawColumnCell(const RingTableModel::Row& row, int column,
                                             int role) const {
    const std::string& time = row[RingTableModel::kTimeColumn];
    if (time.empty())
        return {};  // drawn plainly
    if (role == Qt::BackgroundRole) {
        const int tab = SelectedTab();
        const int todayTab = state_.TodayWeek - 1;
        const bool earlierThisWeek = tab < todayTab;
        const bool dueToday =
            tab == todayTab && TimeNumber(TimeText(services_.clock.Now())) >= TimeNumber(time);
        if (earlierThisWeek || dueToday)
            return QBrush(QColor(128, 128, 0));
        return {};
    }
    if (role == Qt::ForegroundRole && column == RingTableModel::kFileColumn &&
        !services_.files.FileExists(paths_.GetMusicPath() + row[RingTableModel::kFileColumn]))
        return QBrush(QColor(255, 0, 0));
    return {};
}

void FrmMain::FollowCurrentRow() {
    const int row = FilterDBGrid->currentIndex().row();
    if (row >= 0)
        Guarded([this, row] { model_->MoveCursorTo(row); });
    PlaceBtnPlay();
}

void FrmMain::PlaceBtnPlay() {
    const QModelIndex current = FilterDBGrid->currentIndex();
    if (!current.isValid() || model_->RowAt(current.row())[RingTableModel::kTimeColumn].empty())
        return;
    const QRect cell = FilterDBGrid->visualRect(model_->index(current.row(), 0));
    const QPoint topLeft = FilterDBGrid->viewport()->mapTo(GB1, cell.topLeft());
    btnPlay->move(topLeft.x() + kPlayButtonOffset, topLeft.y());
    btnPlay->raise();
}

void FrmMain::FilterDBGridCellClick(const QModelIndex& index) {
    Guarded([this, index] {
        if (!index.isValid())
            return;
        state_.SelectedRingFile = model_->RowAt(index.row())[RingTableModel::kFileColumn];
        btnPlay->setVisible(
            services_.files.FileExists(paths_.GetMusicPath() + state_.SelectedRingFile));
        PlaceBtnPlay();
    });
}

void FrmMain::btnPlayClick() {
    if (state_.SelectedRingFile.empty())
        return;
    // Listening to an entry never shows an error: a file the player cannot open stays silent.
    EventGuard::RunSilently([this] {
        if (btnPlay->text() == QString::fromUtf8(MusicPlayback::kPlayCaption)) {
            btnPlay->setText(QStringLiteral("停止"));
            playback_.play(paths_.GetMusicPath() + state_.SelectedRingFile);
        } else {
            btnPlay->setText(QString::fromUtf8(MusicPlayback::kPlayCaption));
            playback_.stop();
        }
    });
}

void FrmMain::FilterDBGridDblClick() {
    btnUpdClick();
}

void FrmMain::RingStarted(int weekday) {
    // Runs inside the engine's guarded block: an error here is dropped by the engine.
    loader_.LoadData(weekday);
    RefreshGrid();
    SelectTabQuietly(weekday - 1);
}

void FrmMain::CopyCurrentDBLine(std::vector<std::string>& days, RingObj& ring,
                                const std::string& mode) {
    chimdb::ChimTable& table = loader_.ChimTable1();
    std::string daysText;
    if (table.Active() && !table.IsEmpty()) {
        for (int column = 0; column < RingTableModel::kColumnCount; ++column) {
            const chimdb::Field* field =
                table.FindField(RingTableModel::kFieldNames[static_cast<std::size_t>(column)]);
            if (!field)
                continue;
            std::string& target = RingField(ring, column);
            target = field->AsString();
            if (column >= RingTableModel::kFirstWeekColumn && target == "1")
                daysText += kDayNames[column - RingTableModel::kFirstWeekColumn];
        }
        if (const chimdb::Field* volume = table.FindField("RINGVOLUME"))
            ring.RINGVOLUME = volume->AsString();
    }
    if (mode == "DEL") {
        days.clear();
        days.push_back(daysText);
    }
}

bool FrmMain::PutCursorOnEntry(const std::string& id) {
    chimdb::ChimTable& table = loader_.ChimTable1();
    if (!table.Active() || table.State() != chimdb::DataSetState::dsBrowse)
        return false;
    const auto idHere = [&table] {
        const chimdb::Field* field = table.FindField("ID");
        return field ? field->AsString() : std::string();
    };
    if (!table.IsEmpty() && idHere() == id)
        return true;
    for (table.First(); !table.Eof(); table.Next())
        if (idHere() == id)
            return true;
    return false;
}

void FrmMain::ReloadAfterEdit() {
    loader_.LoadAllDataToMem();
    loader_.LoadData(SelectedTab() + 1);
    RefreshGrid();
    DisplayGrid();
}

void FrmMain::btnAddClick() {
    if (!ReadableForEdit())
        return;
    Guarded([this] {
        RingObj ring;
        if (dialogs.ringSet(this, context_, "ADD", ring) == 1)
            ReloadAfterEdit();
    });
}

void FrmMain::btnUpdClick() {
    if (!ReadableForEdit())
        return;
    Guarded([this] {
        std::vector<std::string> days;
        RingObj ring;
        CopyCurrentDBLine(days, ring, "UPD");
        if (ring.ID.empty())
            return;
        if (dialogs.ringSet(this, context_, "UPD", ring) == 1)
            ReloadAfterEdit();
    });
}

void FrmMain::btnDelClick() {
    if (!ReadableForEdit())
        return;
    Guarded([this] {
        std::vector<std::string> days;
        RingObj ring;
        CopyCurrentDBLine(days, ring, "DEL");
        if (ring.ID.empty())
            return;
        std::string question = "删除该行将会影响到\r\r";
        for (const std::string& line : days)
            question += line + "\r\n";
        question += "确认删除么？";
        if (!services_.boxes.AskYesNo(question))
            return;
        // The grid may have been read again while the question was open; delete the entry
        // that was asked about, or nothing when it is gone.
        if (!PutCursorOnEntry(ring.ID))
            return;
        loader_.ChimTable1().Delete();
        ReloadAfterEdit();
    });
}

}  // namespace chimora
