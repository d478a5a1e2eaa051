#include "app/gui/ring_table_model.h"

#include <QMetaObject>

#include "chimdb/chim_table.h"
#include "chimdb/data_set_state.h"

namespace chimora {

const std::array<const char*, RingTableModel::kColumnCount> RingTableModel::kFieldNames = {
    "RINGDESC", "RINGTIME", "RINGFILE", "ID",    "WEEK1", "WEEK2",
    "WEEK3",    "WEEK4",    "WEEK5",    "WEEK6", "WEEK7", "WEEK8"};

namespace {

const char* const kTitles[] = {"铃声描述", "打铃时间", "铃声文件"};

}  // namespace

RingTableModel::RingTableModel(chimdb::ChimTable& table, QObject* parent)
    : QAbstractTableModel(parent), table_(table) {
    const auto mark = [this](chimdb::DataSet&) { MarkPending(); };
    table_.AfterOpen = mark;
    table_.AfterClose = mark;
    table_.AfterRefresh = mark;
    table_.AfterDelete = mark;
    table_.AfterPost = mark;
}

RingTableModel::~RingTableModel() {
    table_.AfterOpen = nullptr;
    table_.AfterClose = nullptr;
    table_.AfterRefresh = nullptr;
    table_.AfterDelete = nullptr;
    table_.AfterPost = nullptr;
}

int RingTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int RingTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant RingTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Row& row = RowAt(index.row());
    if (role == Qt::DisplayRole)
        return QString::fromStdString(row[static_cast<std::size_t>(index.column())]);
    if ((role == Qt::BackgroundRole || role == Qt::ForegroundRole) && cellLook_)
        return cellLook_(row, index.column(), role);
    return {};
}

QVariant RingTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return QString();  // the row indicator carries no numbers
    if (section >= 0 && section <= kFileColumn)
        return QString::fromUtf8(kTitles[section]);
    return QString::fromLatin1(kFieldNames.at(static_cast<std::size_t>(section)));
}

void RingTableModel::MarkPending() {
    pending_ = true;
    if (queued_)
        return;
    queued_ = true;
    QMetaObject::invokeMethod(this, &RingTableModel::RunDeferred, Qt::QueuedConnection);
}

void RingTableModel::RunDeferred() {
    queued_ = false;
    if (!pending_)
        return;
    if (runner_)
        runner_([this] { ReloadIfPending(); });
    else
        try {
            ReloadIfPending();
        } catch (...) {
            // Nobody to tell: the grid stays empty until the next change.
        }
}

void RingTableModel::ReloadIfPending() {
    if (pending_)
        Reload();
}

void RingTableModel::Reload() {
    // A record being edited or inserted through this cursor must not be moved away from.
    if (table_.Active() && table_.State() != chimdb::DataSetState::dsBrowse) {
        pending_ = true;
        return;
    }
    pending_ = false;
    beginResetModel();
    rows_.clear();
    try {
        if (table_.Active()) {
            const Fields fields = FindFields();
            for (table_.First(); !table_.Eof(); table_.Next())
                rows_.push_back(ReadCurrentRecord(fields));
            table_.First();
        }
    } catch (...) {
        rows_.clear();
        endResetModel();
        throw;
    }
    endResetModel();
    emit reloaded();
}

RingTableModel::Fields RingTableModel::FindFields() const {
    Fields fields{};
    for (std::size_t i = 0; i < kFieldNames.size(); ++i)
        fields[i] = table_.FindField(kFieldNames[i]);
    return fields;
}

RingTableModel::Row RingTableModel::ReadCurrentRecord(const Fields& fields) {
    Row row;
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (fields[i])
            row[i] = fields[i]->AsString();
    return row;
}

bool RingTableModel::MoveCursorTo(int row) {
    if (row < 0 || row >= rowCount() || !table_.Active() ||
        table_.State() != chimdb::DataSetState::dsBrowse)
        return false;
    // Rows are the cursor's records in its order: row r is record number r + 1.
    table_.SetRecNo(row + 1);
    if (table_.IsEmpty() || table_.RecNo() != row + 1)
        return false;
    const chimdb::Field* id = table_.FindField(kFieldNames[kIdColumn]);
    return id && id->AsString() == RowAt(row)[kIdColumn];
}

}  // namespace chimora
