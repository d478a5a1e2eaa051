#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <optional>
#include <string_view>

#include "chimdb/blob_field_host.h"
#include "chimdb/bookmark.h"
#include "chimdb/cde_data_set.h"
#include "chimdb/chim_blob_stream.h"
#include "chimdb/field_def_item.h"
#include "chimdb/field_value.h"
#include "chimdb/locate_options.h"

namespace chimdb {

class ChimTableIO;
class MasterDataLink;
struct RecordRef;
struct RecordNotify;

using FilterProgressEvent = std::function<void(DataSet&, int percent)>;

// A cursor over one stored table in the order of one index: field access by name, editing
// (append, insert, edit, post, delete), a filter and key search on the active index.
//
// The cursor keeps its own copy of the active index's list (the cursor list), cut down while
// a filter is in force; records themselves are always read fresh from storage as the cursor
// moves. Several cursors on one table share its table I/O object: a record written through
// one is in the table's lists at once, but another cursor's list shows it only after that
// cursor's Refresh (or a new open).
//
// Changes made by another program reach the table's lists at its next write or at a
// Refresh of a cursor on it, which re-reads the table header first. A cursor whose copy of
// the list is older than the table's never trusts list positions that the table reports:
// it places a posted record by key search in its own list, and edits and deletes go to the
// record by its record number ("Record not found" when it is gone), so a stale cursor never
// changes a record other than the one it shows.
class ChimTable : public CDEDataSet, public BlobFieldHost {
  public:
    explicit ChimTable(Component* owner = nullptr);
    ~ChimTable() override;

    // Setting the database name (even to the same name) empties TableName and IndexName.
    void SetDatabaseName(const std::string& name) override;
    const std::string& TableName() const { return tableName_; }
    // Only while closed ("Cannot perform this operation on an open dataset").
    void SetTableName(const std::string& name);
    const std::string& IndexName() const { return indexName_; }
    // On an open table: leaves edit state, orders by the index chosen for the name (an
    // unknown or empty name: the primary index, else record-number order), applies the filter
    // again when Filtered, and goes to the first record.
    void SetIndexName(const std::string& name);
    // On an open table: record-number (append) order, whatever indexes the table has, until
    // the next open or IndexName change. Leaves edit state and goes to the first record.
    void UseRecordNumberOrder();
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
    // Number of the index that orders the cursor, -1 for record-number order.
    std::int32_t ActiveIndex() const { return activeIndex_; }

    std::int32_t RecordCount() const override;
    // Not read-only, and the database file is not read-only on disk.
    bool CanModify() const override;

    // Key search on the active index ("No index currently active" without one). The values
    // go to the leading index fields; fields beyond them take no part. A string key matches
    // every value it is a prefix of (a search for "A" may land on "AB"), and among equal
    // records the one found is the first the bisection meets. True and current when found;
    // the cursor stays otherwise.
    bool FindKey(const std::vector<FieldValue>& values);
    // As FindKey, but whole values: "A" matches only "A" (and, as the index says, "a");
    // among equal records the first in index order is found.
    bool FindKeyExact(const std::vector<FieldValue>& values);
    // Key editing: SetKey empties the search key and lets the index fields take values;
    // GotoKey searches for it (prefix matching, as FindKey) over all index fields.
    void SetKey();
    bool GotoKey();
    // GotoKey with whole values, landing on the first equal record in index order.
    bool GotoKeyExact();
    // How many leading index fields the next GotoKey compares (SetKey sets all of them).
    void SetKeyFieldCount(std::int32_t count) { keyFieldCount_ = count; }

    // Record number: the current record's place in the cursor list counted from 1 (0 when
    // the list is empty). Setting it moves there, with the scroll events; a number outside
    // 1..RecordCount is ignored.
    std::int32_t RecNo() const;
    void SetRecNo(std::int32_t recNo);

    // A mark of the current record (its record number); empty when there is none.
    Bookmark GetBookmark();
    // Makes the marked record current ("Bookmark not found" when it is not in the cursor
    // list: deleted, filtered out or outside the range).
    void GotoBookmark(const Bookmark& bookmark);
    bool BookmarkValid(const Bookmark& bookmark) const;

    // Search through the Filter text (and OnFilterRecord), whether or not Filtered is set:
    // from the first record forward, from the one after the current forward, from the one
    // before it backward, or from the last backward. The first record accepted becomes
    // current; when none is, the cursor stays. The result is also kept in Found.
    bool FindFirst() { return FindRecord(Direction::fromFirst); }
    bool FindNext() { return FindRecord(Direction::forward); }
    bool FindPrior() { return FindRecord(Direction::backward); }
    bool FindLast() { return FindRecord(Direction::fromLast); }
    bool Found() const { return found_; }

    // Makes current the first record of the cursor list whose fields (names separated by
    // ";") equal the values: values[i] goes to field i, and a single field takes values[0].
    // Goes through an index of exactly these fields (in this order, and for string fields
    // with the case rule of the options) when there is one, else walks the cursor list;
    // both give the same record. A record outside the cursor list is not found. False, and
    // the cursor stays, when none matches.
    bool Locate(std::string_view fieldNames, const std::vector<FieldValue>& values,
                LocateOptions options = {});
    bool Locate(std::string_view fieldNames, const FieldValue& value, LocateOptions options = {});
    // The values of the result fields (names separated by ";", calculated fields included)
    // of the record Locate would find with whole, case-sensitive values; nothing when none
    // matches. The cursor does not move.
    std::optional<std::vector<FieldValue>> Lookup(std::string_view keyFields,
                                                  const std::vector<FieldValue>& values,
                                                  std::string_view resultFields);

    // Detail range: while the master source is linked, enabled and open, and MasterFields
    // names fields of the master (separated by ";"), the cursor shows only the records whose
    // leading fields of the active index equal those fields of the master's current record,
    // and follows the master as it moves. Taking the range switches Filtered off. A master
    // without a current record leaves the detail empty. The range goes when the link stops
    // being active. Setting a source that depends on this table raises "Circular datalinks
    // are not allowed"; a MasterFields text that fails keeps the previous one.
    DataSource* MasterSource() const override;
    void SetMasterSource(DataSource* source);
    const std::string& MasterFields() const { return masterFields_; }
    void SetMasterFields(const std::string& fieldNames);
    // A detail range is in force.
    bool RangeActive() const { return rangeActive_; }

    // A blob field of the current record as a stream (ChimBlobStream modes). Writing modes
    // need edit or insert state.
    std::unique_ptr<ChimBlobStream> CreateBlobStream(Field& field, std::uint8_t mode);

    // Progress (percent of records tested) while the filter is applied.
    FilterProgressEvent OnFilterProgress;

    // BlobFieldHost.
    OptimBlobStream& ActiveBlobStream(int fieldNo) override;
    void SetFieldModified(int fieldNo) override;
    void FieldDataChanged(int fieldNo) override;

    // The stored table; nullptr while closed.
    ChimTableIO* TableIO() const { return tableIO_; }
    // What a caller that builds records of its own (the tool) needs of the open table: its
    // fields as the file declares them and its auto-increment field (-1: none).
    const std::vector<FieldDefItem>& StoredFieldDefs() const;
    std::int32_t AutoIncField() const;

  protected:
    // Where the table's blobs load from; nullptr while the database is not connected.
    BlobLoader* BlobSource() override;
    void InternalOpen() override;
    void InternalClose() override;
    void AfterInternalOpen() override;
    void InternalFirst() override { position_ = -1; }
    void InternalLast() override { position_ = RecordCount(); }
    GetResult GetRecord(RecordBuffer& buffer, GetMode mode, bool doCheck) override;
    void InternalInitRecord(RecordBuffer& buffer) override;
    void InternalInsert(bool append) override;
    void InternalEdit() override;
    void InternalPost() override;
    void InternalDelete() override;
    void InternalRefresh() override;
    std::int32_t CursorPosition() const override { return position_; }
    void SetCursorPosition(std::int32_t position) override { position_ = position; }

    void ActivateFilter() override;
    void DeactivateFilter() override;
    void ReadRecordData(RecordBuffer& buffer, std::int32_t position) override;
    std::size_t StoredFieldCount() const override;

  private:
    enum class Direction { fromFirst, forward, backward, fromLast };
    class FilterFieldsOnly;

    void BuildDefinitions();
    std::vector<int> BindFields();
    void ChooseIndex();
    void LoadCursorList();
    // Cuts the cursor list down to the records the filter accepts (in the filter state).
    void CutByFilter();
    // The pass of CutByFilter under the file lock, which it lets go of for other programs
    // between stretches; the answer is for one state of the table.
    void RunFilterPass();
    // The cursor list before a filter: the active index's list, cut to the range.
    void RetakeBaseList();
    // Whether the filter's verdict on a record holds while the record's stored bytes stay.
    bool VerdictFollowsRecordBytes() const;
    // Whether the cursor list is an exact copy of the table's list of the active index.
    bool CursorListInSync() const;
    // Where a record (key in buffer) goes in the cursor list: after equal or smaller entries
    // that the search meets, before a greater one.
    std::int32_t InsertionPlace(RecordBuffer& buffer);
    std::int32_t PhysicalPositionOfCurrent() const;
    void OnAppendNotify(const RecordNotify& report, bool inSync, RecordBuffer& buffer);
    void OnModifyNotify(const RecordNotify& report, bool inSync, RecordBuffer& buffer);
    void RequireActiveIndex() const;
    void FillSearchKey(const std::vector<FieldValue>& values);
    bool SearchForKey(bool partial, int bound);
    // Makes the cursor position current with the scroll events around the move.
    void MoveToPosition(std::int32_t position);
    std::int32_t FindRecNo(std::int32_t recNo) const;
    bool FindRecord(Direction direction);

    // Locate and Lookup: the values go into buffer (in the filter state); the result is the
    // cursor position of the first matching record, -1 when none.
    std::int32_t LocateInBuffer(RecordBuffer& buffer, std::string_view fieldNames,
                                const std::vector<FieldValue>& values, LocateOptions options);
    std::vector<Field*> ResolveFields(const DataSet& dataSet, std::string_view fieldNames) const;
    std::int32_t MatchingIndex(const std::vector<std::int32_t>& fieldNumbers,
                               LocateOptions options) const;
    std::int32_t LocateThroughIndex(std::int32_t index, RecordBuffer& buffer, bool partial);
    std::int32_t LocateByWalk(RecordBuffer& buffer, const std::vector<std::int32_t>& fieldNumbers,
                              LocateOptions options);
    std::int32_t CursorPositionOf(std::int32_t recNo);
    // The first cursor position that holds one of the record numbers, -1 when none.
    std::int32_t FirstInCursorList(std::vector<std::int32_t> recNos) const;

    // Detail range.
    void MasterChanged();
    void MasterDisabled();
    void ApplyMasterRange();
    // Puts the master's field values into key buffers 1 and 2; false when the master has
    // no current record.
    bool FillRangeKeys(const std::vector<Field*>& masterFields);
    // Cuts the freshly loaded cursor list down to the range between key buffers 1 and 2.
    void CutToRange();
    void CancelRange();
    bool RangeWanted() const;

    std::string tableName_;
    std::string indexName_;
    bool readOnly_ = false;
    ChimTableIO* tableIO_ = nullptr;
    bool tableOpened_ = false;
    std::int32_t activeIndex_ = -1;
    std::vector<RecordRef> cursorList_;
    std::int32_t position_ = -1;
    bool modifiable_ = false;
    // The table's list version the cursor list was copied at; -1 once the copy was cut.
    std::int64_t listVersion_ = -1;
    std::int32_t keyFieldCount_ = 0;
    bool found_ = false;
    std::unique_ptr<MasterDataLink> masterLink_;
    std::string masterFields_;
    bool rangeActive_ = false;
    // The master had no current record when the range was taken: the range is empty.
    bool rangeEmpty_ = false;
};

}  // namespace chimdb
