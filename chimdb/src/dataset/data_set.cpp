#include "chimdb/data_set.h"

#include <algorithm>
#include <cstring>

#include "chimdb/code_page.h"
#include "dataset/data_source.h"
#include "dataset/record_buffer.h"

namespace chimdb {

namespace {

bool SameFieldName(std::string_view a, std::string_view b) {
    if (a == b)
        return true;
    try {
        return SameName(ToCodePage(a), ToCodePage(b));
    } catch (const DatabaseError&) {
        return false;
    }
}

bool InEditModes(DataSetState state) {
    return state == DataSetState::dsEdit || state == DataSetState::dsInsert;
}

}  // namespace

DataSet::DataSet() = default;

DataSet::~DataSet() {
    // The sources lose their dataset; their links become inactive.
    const std::vector<DataSource*> sources = sources_;
    for (DataSource* source : sources)
        source->SetDataSet(nullptr);
}

void DataSet::DetachSource(DataSource& source) {
    std::erase(sources_, &source);
}

void DataSet::NotifyDataSources(DataEvent event) {
    const std::vector<DataSource*> sources = sources_;
    for (DataSource* source : sources) {
        if (std::find(sources_.begin(), sources_.end(), source) != sources_.end())
            source->Notify(event);
    }
}

bool DataSet::IsLinkedTo(const DataSet& other) const {
    // The chain cannot close on itself (links are checked when made); the step limit only
    // keeps a broken chain from hanging the caller.
    const DataSet* current = this;
    for (int step = 0; step < 100000 && current != nullptr; ++step) {
        const DataSource* source = current->MasterSource();
        current = source != nullptr ? source->GetDataSet() : nullptr;
        if (current == &other)
            return true;
    }
    return false;
}

void DataSet::CheckActive() const {
    if (!Active())
        RaiseError("Cannot perform this operation on a closed dataset");
}

void DataSet::SetActive(bool active) {
    if (active)
        Open();
    else
        Close();
}

void DataSet::Open() {
    if (Active())
        return;
    Fire(BeforeOpen);
    try {
        InternalOpen();
        current_ = AllocRecordBuffer();
        state_ = DataSetState::dsBrowse;
        ReadFirstRecord();
        AfterInternalOpen();
    } catch (...) {
        state_ = DataSetState::dsInactive;
        hasRecord_ = false;
        current_.reset();
        InternalClose();
        throw;
    }
    NotifyDataSources(DataEvent::ActiveChanged);
    Fire(AfterOpen);
}

void DataSet::Close() {
    if (!Active())
        return;
    Fire(BeforeClose);
    state_ = DataSetState::dsInactive;
    hasRecord_ = false;
    eof_ = bof_ = true;
    modified_ = false;
    current_.reset();
    InternalClose();
    NotifyDataSources(DataEvent::ActiveChanged);
    Fire(AfterClose);
}

Field& DataSet::AddField(std::string name, std::uint8_t dataType, std::int32_t size,
                         FieldKind kind) {
    if (Active())
        RaiseError("Cannot perform this operation on an open dataset");
    if (FindField(name) != nullptr)
        RaiseError("Duplicate field name '%s'", name);
    fields_.push_back(std::make_unique<Field>(*this, std::move(name), dataType, size, kind));
    if (kind == FieldKind::fkCalculated)
        ++calcFieldCount_;
    return *fields_.back();
}

Field* DataSet::FindField(std::string_view name) const {
    for (const auto& field : fields_) {
        if (SameFieldName(field->FieldName(), name))
            return field.get();
    }
    return nullptr;
}

Field& DataSet::FieldByName(std::string_view name) const {
    Field* field = FindField(name);
    if (field == nullptr)
        RaiseError("Field '%s' not found", name);
    return *field;
}

bool DataSet::HasDataFields() const {
    for (const auto& field : fields_) {
        if (!field->Calculated())
            return true;
    }
    return false;
}

void DataSet::CreateDefaultFields() {
    std::vector<std::unique_ptr<Field>> defaults;
    for (const FieldDef& def : fieldDefs_.Items())
        defaults.push_back(
            std::make_unique<Field>(*this, def.name, def.dataType, def.size, FieldKind::fkData));
    defaultFieldCount_ = defaults.size();
    fields_.insert(fields_.begin(), std::make_move_iterator(defaults.begin()),
                   std::make_move_iterator(defaults.end()));
}

void DataSet::DestroyDefaultFields() {
    fields_.erase(fields_.begin(),
                  fields_.begin() + static_cast<std::ptrdiff_t>(defaultFieldCount_));
    defaultFieldCount_ = 0;
}

// ---- moves ----

void DataSet::ReadFirstRecord() {
    InternalFirst();
    hasRecord_ = GetRecord(*current_, GetMode::gmNext, false) == GetResult::grOK;
    bof_ = true;
    eof_ = !hasRecord_;
    modified_ = false;
}

void DataSet::First() {
    CheckActive();
    CheckBrowseMode();
    Fire(BeforeScroll);
    ReadFirstRecord();
    NotifyDataSources(DataEvent::RecordChanged);
    Fire(AfterScroll);
}

void DataSet::Last() {
    CheckActive();
    CheckBrowseMode();
    Fire(BeforeScroll);
    InternalLast();
    hasRecord_ = GetRecord(*current_, GetMode::gmPrior, false) == GetResult::grOK;
    eof_ = true;
    bof_ = !hasRecord_;
    modified_ = false;
    NotifyDataSources(DataEvent::RecordChanged);
    Fire(AfterScroll);
}

void DataSet::MoveBy(GetMode mode) {
    CheckActive();
    CheckBrowseMode();
    const bool forward = mode == GetMode::gmNext;
    if (forward ? eof_ : bof_)
        return;
    Fire(BeforeScroll);
    if (GetRecord(*current_, mode, false) == GetResult::grOK) {
        hasRecord_ = true;
        eof_ = bof_ = false;
    } else {
        (forward ? eof_ : bof_) = true;
    }
    modified_ = false;
    NotifyDataSources(DataEvent::RecordChanged);
    Fire(AfterScroll);
}

void DataSet::Next() {
    MoveBy(GetMode::gmNext);
}

void DataSet::Prior() {
    MoveBy(GetMode::gmPrior);
}

void DataSet::Resync() {
    modified_ = false;
    eof_ = bof_ = false;
    if (RecordCount() == 0) {
        hasRecord_ = false;
        eof_ = bof_ = true;
        return;
    }
    if (GetRecord(*current_, GetMode::gmCurrent, false) == GetResult::grOK) {
        hasRecord_ = true;
        return;
    }
    InternalLast();
    hasRecord_ = GetRecord(*current_, GetMode::gmPrior, false) == GetResult::grOK;
    if (!hasRecord_)
        eof_ = bof_ = true;
}

// ---- editing ----

void DataSet::CheckBrowseMode() {
    CheckActive();
    if (state_ == DataSetState::dsSetKey) {
        state_ = DataSetState::dsBrowse;
        return;
    }
    if (!InEditModes(state_))
        return;
    if (modified_)
        Post();
    else
        Cancel();
}

void DataSet::BeginInsert(bool append) {
    CheckActive();
    CheckBrowseMode();
    if (!CanModify())
        RaiseError("Cannot modify a read-only dataset");
    Fire(BeforeInsert);
    Fire(BeforeScroll);
    positionBeforeInsert_ = CursorPosition();
    InternalInsert(append);
    ClearCalcFields(*current_);
    InternalInitRecord(*current_);
    state_ = DataSetState::dsInsert;
    eof_ = bof_ = false;
    try {
        Fire(OnNewRecord);
    } catch (...) {
        Cancel();
        throw;
    }
    modified_ = false;
    NotifyDataSources(DataEvent::RecordChanged);
    Fire(AfterInsert);
    Fire(AfterScroll);
}

void DataSet::Append() {
    BeginInsert(true);
}

void DataSet::Insert() {
    BeginInsert(false);
}

void DataSet::Edit() {
    CheckActive();
    if (InEditModes(state_))
        return;
    if (!hasRecord_) {
        Insert();
        return;
    }
    if (!CanModify())
        RaiseError("Cannot modify a read-only dataset");
    Fire(BeforeEdit);
    RunWithErrorEvent(OnEditError, [this] { InternalEdit(); });
    state_ = DataSetState::dsEdit;
    modified_ = false;
    Fire(AfterEdit);
}

void DataSet::Post() {
    CheckActive();
    if (!InEditModes(state_))
        return;
    Fire(BeforePost);
    RunWithErrorEvent(OnPostError, [this] { InternalPost(); });
    state_ = DataSetState::dsBrowse;
    Resync();
    NotifyDataSources(DataEvent::RecordChanged);
    Fire(AfterPost);
}

void DataSet::Cancel() {
    CheckActive();
    if (!InEditModes(state_))
        return;
    Fire(BeforeCancel);
    const bool wasInsert = state_ == DataSetState::dsInsert;
    InternalCancel();
    state_ = DataSetState::dsBrowse;
    if (wasInsert)
        SetCursorPosition(positionBeforeInsert_);
    Resync();
    NotifyDataSources(DataEvent::RecordChanged);
    Fire(AfterCancel);
}

void DataSet::Delete() {
    CheckActive();
    if (state_ == DataSetState::dsInsert) {
        Cancel();
        return;
    }
    if (!hasRecord_)
        RaiseError("Cannot perform this operation on an empty dataset");
    if (!CanModify())
        RaiseError("Cannot modify a read-only dataset");
    Fire(BeforeDelete);
    Fire(BeforeScroll);
    RunWithErrorEvent(OnDeleteError, [this] { InternalDelete(); });
    state_ = DataSetState::dsBrowse;
    Resync();
    NotifyDataSources(DataEvent::RecordChanged);
    Fire(AfterDelete);
    Fire(AfterScroll);
}

void DataSet::Refresh() {
    CheckActive();
    CheckBrowseMode();
    Fire(BeforeRefresh);
    InternalRefresh();
    Resync();
    NotifyDataSources(DataEvent::RecordChanged);
    Fire(AfterRefresh);
}

void DataSet::RunWithErrorEvent(const DataSetErrorEvent& event,
                                const std::function<void()>& operation) {
    for (;;) {
        try {
            operation();
            return;
        } catch (const DatabaseError& error) {
            if (!event)
                throw;
            DataAction action = DataAction::daFail;
            event(*this, error, action);
            if (action == DataAction::daRetry)
                continue;
            if (action == DataAction::daAbort)
                throw Abort();
            throw;
        }
    }
}

// ---- field access ----

RecordBuffer* DataSet::ActiveRecordBuffer() {
    switch (state_) {
        case DataSetState::dsBrowse:
            return hasRecord_ ? current_.get() : nullptr;
        case DataSetState::dsEdit:
        case DataSetState::dsInsert:
            return current_.get();
        case DataSetState::dsCalcFields:
            return calcBuffer_;
        default:
            return nullptr;
    }
}

void DataSet::CheckFieldWritable(const Field& field) const {
    switch (state_) {
        case DataSetState::dsEdit:
        case DataSetState::dsInsert:
        case DataSetState::dsSetKey:
        case DataSetState::dsFilter:
            return;
        case DataSetState::dsCalcFields:
            if (field.Calculated())
                return;
            RaiseError("Field '%s' cannot be modified", field.FieldName());
        default:
            RaiseError("Dataset not in edit or insert mode");
    }
}

void DataSet::FieldChanged(Field& field) {
    if (!InEditModes(state_))
        return;
    modified_ = true;
    if (!field.Calculated() && autoCalcFields_ && HasCalcFields())
        CalculateFields(*current_);
}

bool DataSet::HasCalcFields() const {
    return calcFieldCount_ > 0;
}

void DataSet::ClearCalcFields(RecordBuffer& buffer) {
    for (const auto& field : fields_) {
        if (field->Calculated())
            std::memset(buffer.Data() + field->Offset(), 0,
                        static_cast<std::size_t>(field->DataSize()) + 1);
    }
}

void DataSet::CalculateFields(RecordBuffer& buffer) {
    if (!HasCalcFields())
        return;
    ClearCalcFields(buffer);
    if (!OnCalcFields)
        return;
    const DataSetState saved = state_;
    RecordBuffer* savedBuffer = calcBuffer_;
    state_ = DataSetState::dsCalcFields;
    calcBuffer_ = &buffer;
    try {
        OnCalcFields(*this);
    } catch (...) {
        state_ = saved;
        calcBuffer_ = savedBuffer;
        throw;
    }
    state_ = saved;
    calcBuffer_ = savedBuffer;
}

}  // namespace chimdb
