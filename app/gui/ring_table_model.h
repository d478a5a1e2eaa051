#pragma once

#include <QAbstractTableModel>
#include <array>
#include <functional>
#include <string>
#include <vector>

namespace chimdb {
class ChimTable;
class Field;
}  // namespace chimdb

namespace chimora {

// The schedule grid's rows: a snapshot of the ring entry cursor under its current filter.
// The cursor tells the model when it was opened, closed, refreshed or changed; the model
// then reads the rows again once control returns to the event loop (or at once through
// ReloadIfPending), so that a burst of changes (close, open, filter, refresh) costs one read.
class RingTableModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    // The grid's columns: description, time and file are shown, the rest are hidden.
    static constexpr int kColumnCount = 12;
    static constexpr int kDescColumn = 0;
    static constexpr int kTimeColumn = 1;
    static constexpr int kFileColumn = 2;
    static constexpr int kIdColumn = 3;
    static constexpr int kFirstWeekColumn = 4;  // WEEK1 .. WEEK8 follow
    static const std::array<const char*, kColumnCount> kFieldNames;

    using Row = std::array<std::string, kColumnCount>;
    // Colours of a cell (background and text roles); an invalid QVariant keeps the default.
    using CellLook = std::function<QVariant(const Row& row, int column, int role)>;
    // Runs a deferred read so that an error in it reaches the user the standard way.
    using Runner = std::function<void(const std::function<void()>&)>;

    explicit RingTableModel(chimdb::ChimTable& table, QObject* parent = nullptr);
    ~RingTableModel() override;

    void SetCellLook(CellLook look) { cellLook_ = std::move(look); }
    void SetDeferredRunner(Runner runner) { runner_ = std::move(runner); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const Row& RowAt(int row) const { return rows_.at(static_cast<std::size_t>(row)); }
    bool Pending() const { return pending_; }

    // Reads the rows again if the cursor changed since the last read. Store errors pass on.
    void ReloadIfPending();
    // Reads every row of the cursor under its filter; the cursor is left on the first one.
    void Reload();
    // Puts the cursor on the record shown in row; false when the cursor no longer holds it.
    bool MoveCursorTo(int row);

  signals:
    // The rows were read again (the grid puts its current row on the first one).
    void reloaded();

  private:
    void MarkPending();
    void RunDeferred();
    // The cursor's field objects of the grid's columns (null where the table has none); they
    // stay valid while the cursor is open.
    using Fields = std::array<const chimdb::Field*, kColumnCount>;
    Fields FindFields() const;
    static Row ReadCurrentRecord(const Fields& fields);

    chimdb::ChimTable& table_;
    std::vector<Row> rows_;
    bool pending_ = false;
    bool queued_ = false;
    CellLook cellLook_;
    Runner runner_;
};

}  // namespace chimora
