#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "chimdb/data_set_state.h"
#include "chimdb/database_error.h"
#include "chimdb/field.h"
#include "chimdb/field_def_list.h"
#include "chimdb/index_def_list.h"

namespace chimdb {

class DataSet;
class DataSource;
class RecordBuffer;
enum class DataEvent;

using DataSetNotifyEvent = std::function<void(DataSet&)>;
using DataSetErrorEvent = std::function<void(DataSet&, const DatabaseError&, DataAction&)>;
using FilterRecordEvent = std::function<void(DataSet&, bool& accept)>;

// The store's small dataset frame: states, field objects, one current-record buffer, the
// moves, the editing cycle and the events around them. A derived cursor supplies the
// records through the Internal... operations.
//
// Edit state is left by Post (keep the changes) or Cancel (drop them); "leaving edit state"
// before a move posts when a field was changed and cancels otherwise.
class DataSet {
  public:
    DataSet();
    virtual ~DataSet();
    DataSet(const DataSet&) = delete;
    DataSet& operator=(const DataSet&) = delete;

    // Opening and closing. Close drops a pending edit or insert.
    void Open();
    void Close();
    bool Active() const { return state_ != DataSetState::dsInactive; }
    void SetActive(bool active);
    DataSetState State() const { return state_; }

    // Fields. Fields declared before open (AddField) stay; the default fields made at open
    // when none were declared go at close. FieldByName raises "Field '%s' not found".
    Field& AddField(std::string name, std::uint8_t dataType, std::int32_t size = 0,
                    FieldKind kind = FieldKind::fkData);
    std::size_t FieldCount() const { return fields_.size(); }
    Field& Fields(std::size_t index) const { return *fields_.at(index); }
    Field* FindField(std::string_view name) const;
    Field& FieldByName(std::string_view name) const;
    const FieldDefList& FieldDefs() const { return fieldDefs_; }
    const IndexDefList& IndexDefs() const { return indexDefs_; }

    // Moves. A move first leaves edit state.
    void First();
    void Next();
    void Prior();
    void Last();
    bool Eof() const { return eof_; }
    bool Bof() const { return bof_; }
    bool IsEmpty() const { return !hasRecord_; }
    virtual std::int32_t RecordCount() const = 0;

    // Editing. Append, Insert, Edit and Delete raise "Cannot modify a read-only dataset" when
    // CanModify is false. Edit on an empty dataset inserts.
    void Append();
    void Insert();
    void Edit();
    void Post();
    void Cancel();
    void Delete();
    void Refresh();
    virtual bool CanModify() const { return true; }
    // A field was changed since the last edit, insert or read.
    bool Modified() const { return modified_; }
    // Posts a changed pending record, cancels an unchanged one; ends key editing.
    void CheckBrowseMode();
    // "Cannot perform this operation on a closed dataset" when closed.
    void CheckActive() const;

    // The buffer that field access uses in the current state; nullptr when there is none
    // (browsing an empty dataset).
    virtual RecordBuffer* ActiveRecordBuffer();
    // Raises unless the field may take a value now.
    void CheckFieldWritable(const Field& field) const;
    // Marks the record changed after a field was written.
    void FieldChanged(Field& field);

    // The source of the master this dataset follows (a detail range), nullptr when none.
    virtual DataSource* MasterSource() const { return nullptr; }
    // Whether other is this dataset's master, or the master of its master, and so on.
    bool IsLinkedTo(const DataSet& other) const;

    bool AutoCalcFields() const { return autoCalcFields_; }
    void SetAutoCalcFields(bool value) { autoCalcFields_ = value; }

    // Events.
    DataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    DataSetNotifyEvent BeforeScroll, AfterScroll, BeforeRefresh, AfterRefresh;
    DataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    DataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
    DataSetNotifyEvent BeforeDelete, AfterDelete, OnNewRecord, OnCalcFields;
    DataSetErrorEvent OnPostError, OnEditError, OnDeleteError;
    FilterRecordEvent OnFilterRecord;

  protected:
    friend class DataSource;
    enum class GetMode { gmCurrent, gmNext, gmPrior };
    enum class GetResult { grOK, grBOF, grEOF, grError };

    // The record source.
    virtual void InternalOpen() = 0;
    virtual void InternalClose() = 0;
    // Runs after the first record was read, before AfterOpen.
    virtual void AfterInternalOpen() {}
    // Position before the first / after the last record.
    virtual void InternalFirst() = 0;
    virtual void InternalLast() = 0;
    // Reads the current, next or prior record into buffer, moving on success.
    virtual GetResult GetRecord(RecordBuffer& buffer, GetMode mode, bool doCheck) = 0;
    // New-record defaults.
    virtual void InternalInitRecord(RecordBuffer& buffer) = 0;
    // Before a new record: append places the cursor after the last record.
    virtual void InternalInsert(bool append) { (void)append; }
    virtual void InternalEdit() {}
    virtual void InternalPost() = 0;
    virtual void InternalCancel() {}
    virtual void InternalDelete() = 0;
    virtual void InternalRefresh() = 0;
    // The cursor position, kept across a cancelled insert.
    virtual std::int32_t CursorPosition() const = 0;
    virtual void SetCursorPosition(std::int32_t position) = 0;
    // A record buffer of this dataset's layout; the layout is known after InternalOpen.
    virtual std::unique_ptr<RecordBuffer> AllocRecordBuffer() = 0;

    // For derived cursors.
    void SetState(DataSetState state) { state_ = state; }
    RecordBuffer* CurrentBuffer() { return current_.get(); }
    bool HasRecord() const { return hasRecord_; }
    // Re-reads the record at the cursor position (the last one when past the end).
    void Resync();
    // Computes the calculated fields of buffer: clears them, then OnCalcFields in the
    // calculated-fields state.
    void CalculateFields(RecordBuffer& buffer);
    bool HasCalcFields() const;
    void ClearCalcFields(RecordBuffer& buffer);
    // Defaults fields: one per stored field when none were declared.
    void CreateDefaultFields();
    void DestroyDefaultFields();
    bool HasDataFields() const;
    FieldDefList& MutableFieldDefs() { return fieldDefs_; }
    IndexDefList& MutableIndexDefs() { return indexDefs_; }
    void Fire(const DataSetNotifyEvent& event) {
        if (event)
            event(*this);
    }
    // Tells the data sources on this dataset (and through them the dependent links) that it
    // opened or closed, or that its current record changed.
    void NotifyDataSources(DataEvent event);
    // Runs an operation under an error event that may ask for a retry.
    void RunWithErrorEvent(const DataSetErrorEvent& event, const std::function<void()>& operation);

  private:
    void AttachSource(DataSource& source) { sources_.push_back(&source); }
    void DetachSource(DataSource& source);
    void ReadFirstRecord();
    void MoveBy(GetMode mode);
    void BeginInsert(bool append);

    DataSetState state_ = DataSetState::dsInactive;
    std::vector<std::unique_ptr<Field>> fields_;
    // Calculated fields among them (only AddField makes them; none is ever removed).
    std::size_t calcFieldCount_ = 0;
    FieldDefList fieldDefs_;
    IndexDefList indexDefs_;
    std::unique_ptr<RecordBuffer> current_;
    // The buffer that OnCalcFields fills, while the calculated-fields state lasts.
    RecordBuffer* calcBuffer_ = nullptr;
    // Default fields stand at the front of the field list.
    std::size_t defaultFieldCount_ = 0;
    bool hasRecord_ = false;
    bool eof_ = true;
    bool bof_ = true;
    bool modified_ = false;
    bool autoCalcFields_ = true;
    // Where the cursor stood before a new record, so that Cancel can go back.
    std::int32_t positionBeforeInsert_ = -1;
    // The data sources that show this dataset; they unhook themselves when they go.
    std::vector<DataSource*> sources_;
};

}  // namespace chimdb
