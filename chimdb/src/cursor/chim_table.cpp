#include "chimdb/chim_table.h"

#include <algorithm>
#include <new>

#include "chimdb/chim_database.h"
#include "chimdb/code_page.h"
#include "chimdb/field_type.h"
#include "dataset/master_data_link.h"
#include "dataset/record_buffer.h"
#include "table_io/chim_table_io.h"

namespace chimdb {

ChimTable::ChimTable(Component* owner)
    : CDEDataSet(owner), masterLink_(std::make_unique<MasterDataLink>(*this)) {}

ChimTable::~ChimTable() {
    try {
        Close();
    } catch (...) {
        // A table being destroyed lets go of everything in any case.
    }
}

// ---- properties ----

void ChimTable::SetDatabaseName(const std::string& name) {
    CDEDataSet::SetDatabaseName(name);
    tableName_.clear();
    indexName_.clear();
}

void ChimTable::SetTableName(const std::string& name) {
    CheckInactive();
    tableName_ = name;
}

void ChimTable::SetIndexName(const std::string& name) try {
    if (!Active()) {
        indexName_ = name;
        if (name.empty())
            activeIndex_ = -1;
        return;
    }
    CheckBrowseMode();
    indexName_ = name;
    ChooseIndex();
    LoadCursorList();
    position_ = -1;
    // A range belongs to the index it was taken on; the master's range is taken anew.
    rangeActive_ = false;
    if (RangeWanted())
        ApplyMasterRange();
    if (Filtered()) {
        // A filtered cursor keeps showing only what its filter accepts.
        ActivateFilter();
        return;
    }
    First();
} catch (const std::bad_alloc&) {
    RaiseError(kMsgNoMemoryToRead, tableName_);
}

void ChimTable::UseRecordNumberOrder() {
    CheckBrowseMode();
    activeIndex_ = -1;
    LoadCursorList();
    position_ = -1;
    rangeActive_ = false;
    if (Filtered()) {
        ActivateFilter();
        return;
    }
    First();
}

std::int32_t ChimTable::RecordCount() const {
    return static_cast<std::int32_t>(cursorList_.size());
}

bool ChimTable::CanModify() const {
    return modifiable_ && !readOnly_ && Database() != nullptr && !Database()->IsReadOnly();
}

// ---- open and close ----

void ChimTable::InternalOpen() try {
    OpenDatabase();
    tableIO_ = Database()->FindTableIO(tableName_);
    if (tableIO_ == nullptr)
        RaiseError("Table '%s' not found", tableName_);
    // One hold of the lock from loading the table to taking the cursor's list from it, so
    // that the list is the one just read.
    FileLockGuard lock(tableIO_->FileIO());
    tableIO_->OpenTable();
    tableOpened_ = true;
    cursorList_.clear();
    position_ = -1;
    modifiable_ = true;
    BuildDefinitions();
    if (!HasDataFields())
        CreateDefaultFields();
    const std::vector<int> storedNumbers = BindFields();
    ChooseIndex();
    LoadCursorList();
    PrepareRecordLayout(storedNumbers);
} catch (const std::bad_alloc&) {
    RaiseError(kMsgNoMemoryToRead, tableName_);
}

void ChimTable::AfterInternalOpen() try {
    if (RangeWanted())
        ApplyMasterRange();
    if (Filtered())
        ActivateFilter();
} catch (const std::bad_alloc&) {
    RaiseError(kMsgNoMemoryToRead, tableName_);
}

void ChimTable::InternalClose() {
    if (tableIO_ != nullptr && tableOpened_)
        tableIO_->CloseTable();
    tableOpened_ = false;
    tableIO_ = nullptr;
    cursorList_.clear();
    cursorList_.shrink_to_fit();
    FreeRecordLayout();
    DestroyDefaultFields();
    position_ = -1;
    modifiable_ = false;
    listVersion_ = -1;
    rangeActive_ = false;
    rangeEmpty_ = false;
    keyFieldCount_ = 0;
    CloseDatabase();
}

void ChimTable::BuildDefinitions() {
    FieldDefList& fieldDefs = MutableFieldDefs();
    IndexDefList& indexDefs = MutableIndexDefs();
    fieldDefs.Clear();
    indexDefs.Clear();
    const ChimFieldDefs& storedFields = tableIO_->FieldDefs();
    for (std::size_t i = 0; i < storedFields.Count(); ++i) {
        const ChimFieldDef& stored = storedFields[i];
        fieldDefs.Add(FieldDef{stored.Name(), stored.FieldType(),
                               IsStringType(stored.FieldType()) ? stored.Size() : 0,
                               static_cast<int>(i)});
    }
    const ChimIndexDefs& storedIndexes = tableIO_->IndexDefs();
    for (std::size_t i = 0; i < storedIndexes.Count(); ++i) {
        const ChimIndexDef& stored = storedIndexes[i];
        IndexDef def{stored.Name(), {}, stored.Options(), stored.FieldNumbers()};
        for (std::int32_t fieldNo : stored.FieldNumbers()) {
            if (!def.fields.empty())
                def.fields += ',';
            def.fields += storedFields[static_cast<std::size_t>(fieldNo)].Name();
        }
        indexDefs.Add(std::move(def));
    }
}

// Every data field shows the stored field of its name, which must be of its type.
std::vector<int> ChimTable::BindFields() {
    std::vector<int> storedNumbers(FieldCount(), -1);
    for (std::size_t i = 0; i < FieldCount(); ++i) {
        Field& field = Fields(i);
        if (field.Calculated())
            continue;
        const int def = FieldDefs().IndexOf(field.FieldName());
        if (def < 0)
            RaiseError("Field '%s' not found", field.FieldName());
        const FieldDef& stored = FieldDefs()[static_cast<std::size_t>(def)];
        if (stored.dataType != field.DataType() ||
            (IsStringType(stored.dataType) && stored.size != field.Size()))
            RaiseError("Type mismatch for field '%s'", field.FieldName());
        storedNumbers[i] = stored.fieldNo;
    }
    return storedNumbers;
}

void ChimTable::ChooseIndex() {
    activeIndex_ = IndexDefs().IndexOf(indexName_);
    if (activeIndex_ < 0)
        activeIndex_ = tableIO_->PrimaryIndex();
}

// The index's list as the file holds it now, so that what another program changed shows.
void ChimTable::LoadCursorList() {
    tableIO_->SyncWithFile();
    cursorList_ = tableIO_->List(static_cast<std::size_t>(activeIndex_ + 1));
    listVersion_ = tableIO_->ListsVersion();
    modifiable_ = true;
}

bool ChimTable::CursorListInSync() const {
    return !Filtered() && listVersion_ >= 0 && listVersion_ == tableIO_->ListsVersion();
}

const std::vector<FieldDefItem>& ChimTable::StoredFieldDefs() const {
    return tableIO_->Header().fields;
}

std::int32_t ChimTable::AutoIncField() const {
    return tableIO_->AutoIncField();
}

BlobLoader* ChimTable::BlobSource() {
    return Database() != nullptr && Database()->Connected() ? &Database()->FileIO() : nullptr;
}

std::size_t ChimTable::StoredFieldCount() const {
    return tableIO_ != nullptr ? tableIO_->FieldDefs().Count() : 0;
}

// ---- reading ----

DataSet::GetResult ChimTable::GetRecord(RecordBuffer& buffer, GetMode mode, bool doCheck) try {
    const std::int32_t count = RecordCount();
    if (count == 0)
        return GetResult::grEOF;
    switch (mode) {
        case GetMode::gmCurrent:
            if (position_ < 0 || position_ >= count) {
                if (doCheck)
                    RaiseError("No records");
                return GetResult::grError;
            }
            break;
        case GetMode::gmNext:
            if (position_ >= count - 1)
                return GetResult::grEOF;
            ++position_;
            break;
        case GetMode::gmPrior:
            if (position_ <= 0)
                return GetResult::grBOF;
            position_ = std::min(position_, count) - 1;
            break;
    }
    ReadRecordData(buffer, position_);
    return GetResult::grOK;
} catch (const std::bad_alloc&) {
    RaiseError(kMsgNoMemoryToRead, tableName_);
}

void ChimTable::ReadRecordData(RecordBuffer& buffer, std::int32_t position) {
    const RecordRef& ref = cursorList_.at(static_cast<std::size_t>(position));
    tableIO_->ReadRecordAt(buffer.Buffers(), ref);
    buffer.SetBookmarkFlag(0);
    buffer.SetBookmark(ref.recNo);
    CalculateFields(buffer);
}

// ---- editing ----

void ChimTable::InternalInitRecord(RecordBuffer& buffer) {
    InitRecordValues(buffer);
}

void ChimTable::InternalInsert(bool append) {
    if (append)
        position_ = RecordCount();
}

// Edits start from the record as it is stored now.
void ChimTable::InternalEdit() try {
    if (position_ >= 0 && position_ < RecordCount())
        ReadRecordData(*CurrentBuffer(), position_);
} catch (const std::bad_alloc&) {
    RaiseError(kMsgNoMemoryToRead, tableName_);
}

std::int32_t ChimTable::PhysicalPositionOfCurrent() const {
    if (position_ < 0 || position_ >= RecordCount())
        RaiseError("No records");
    const std::int32_t recNo = cursorList_[static_cast<std::size_t>(position_)].recNo;
    const std::int32_t physical = tableIO_->Lists().PhysicalPosition(recNo);
    if (physical < 0)
        RaiseError("Record not found");
    return physical;
}

std::int32_t ChimTable::InsertionPlace(RecordBuffer& buffer) {
    if (cursorList_.empty())
        return 0;
    std::int32_t result = 0;
    const std::int32_t position =
        tableIO_->SearchKeyIn(cursorList_, buffer.Buffers(), false, 0, result, 0, activeIndex_);
    if (result == -2)
        return 0;
    return result >= 0 ? position + 1 : position;
}

void ChimTable::OnAppendNotify(const RecordNotify& report, bool inSync, RecordBuffer& buffer) {
    if (report.indexNumber != activeIndex_)
        return;
    std::int32_t place = 0;
    if (activeIndex_ < 0)
        place = RecordCount();
    else if (inSync)
        place = std::clamp(report.position, 0, RecordCount());
    else
        place = InsertionPlace(buffer);
    cursorList_.insert(cursorList_.begin() + place, report.entry);
    position_ = place;
}

void ChimTable::OnModifyNotify(const RecordNotify& report, bool inSync, RecordBuffer& buffer) {
    if (report.indexNumber != activeIndex_ || report.kind != RecordNotify::Kind::Move)
        return;
    const auto old = static_cast<std::size_t>(report.position);
    if (inSync && old < cursorList_.size() && cursorList_[old].recNo == report.entry.recNo) {
        const std::int32_t target =
            report.newPosition - (report.position < report.newPosition ? 1 : 0);
        cursorList_.erase(cursorList_.begin() + report.position);
        const std::int32_t place = std::clamp(target, 0, RecordCount());
        cursorList_.insert(cursorList_.begin() + place, report.entry);
        position_ = place;
        return;
    }
    auto current = std::find_if(cursorList_.begin(), cursorList_.end(), [&](const RecordRef& ref) {
        return ref.recNo == report.entry.recNo;
    });
    if (current != cursorList_.end())
        cursorList_.erase(current);
    const std::int32_t place = InsertionPlace(buffer);
    cursorList_.insert(cursorList_.begin() + place, report.entry);
    position_ = place;
}

void ChimTable::InternalPost() try {
    RecordBuffer& buffer = *CurrentBuffer();
    const bool inSync = CursorListInSync();
    if (State() == DataSetState::dsInsert) {
        tableIO_->AppendRecord(buffer.Buffers(), false, [&](const RecordNotify& report) {
            OnAppendNotify(report, inSync, buffer);
        });
    } else {
        tableIO_->ModifyRecord(
            buffer.Buffers(), PhysicalPositionOfCurrent(),
            [&](const RecordNotify& report) { OnModifyNotify(report, inSync, buffer); }, false);
    }
    if (inSync)
        listVersion_ = tableIO_->ListsVersion();
} catch (const std::bad_alloc&) {
    RaiseError(kMsgNoMemoryToWrite, tableName_);
}

void ChimTable::InternalDelete() try {
    const bool inSync = CursorListInSync();
    tableIO_->DeleteRecord(PhysicalPositionOfCurrent(), false);
    cursorList_.erase(cursorList_.begin() + position_);
    if (position_ >= RecordCount())
        position_ = RecordCount() - 1;
    if (inSync)
        listVersion_ = tableIO_->ListsVersion();
} catch (const std::bad_alloc&) {
    RaiseError(kMsgNoMemoryToWrite, tableName_);
}

void ChimTable::InternalRefresh() try {
    tableIO_->SyncWithFile();
    ChooseIndex();
    LoadCursorList();
    if (rangeActive_) {
        RequireActiveIndex();
        CutToRange();
    }
    if (Filtered()) {
        const std::int32_t kept = position_;
        CutByFilter();
        position_ = kept;
    }
} catch (const std::bad_alloc&) {
    RaiseError(kMsgNoMemoryToRead, tableName_);
}

// ---- filter ----

// While a filter pass reads record after record into the filter buffer, only the fields
// that the filter text reads need deciphering, unless a filter event or calculated fields
// may read any field.
class ChimTable::FilterFieldsOnly {
  public:
    explicit FilterFieldsOnly(ChimTable& table) : buffers_(table.FilterBuffer().Buffers()) {
        if (table.OnFilterRecord || table.HasCalcFields() || table.Filter().empty() ||
            !table.FilterParsedByLanguage())
            return;
        for (std::size_t i = 0; i < buffers_.Count(); ++i)
            saved_.push_back(buffers_.Item(i).Active());
        std::vector<bool> used(buffers_.Count(), false);
        for (int fieldNo : table.FilterFieldNumbers())
            if (fieldNo >= 0 && static_cast<std::size_t>(fieldNo) < used.size())
                used[static_cast<std::size_t>(fieldNo)] = true;
        for (std::size_t i = 0; i < buffers_.Count(); ++i)
            buffers_.Item(i).SetActive(saved_[i] && used[i]);
    }
    ~FilterFieldsOnly() {
        for (std::size_t i = 0; i < saved_.size(); ++i)
            buffers_.Item(i).SetActive(saved_[i]);
    }
    FilterFieldsOnly(const FilterFieldsOnly&) = delete;
    FilterFieldsOnly& operator=(const FilterFieldsOnly&) = delete;

  private:
    FieldBuffers& buffers_;
    std::vector<bool> saved_;
};

void ChimTable::CutByFilter() {
    const DataSetState saved = State();
    SetState(DataSetState::dsFilter);
    try {
        ParseFilter();
        FilterFieldsOnly onlyFilterFields(*this);
        FileLockGuard lock(tableIO_->FileIO());
        // What is kept of the table is checked against the file once, before the pass.
        tableIO_->SyncWithFile();
        RunFilterPass();
    } catch (...) {
        SetState(saved);
        throw;
    }
    SetState(saved);
}

// A failure while the filter is tested still leaves browse state and goes to the first
// record, with the cursor list unchanged.
void ChimTable::ActivateFilter() try {
    try {
        CutByFilter();
    } catch (...) {
        position_ = -1;
        First();
        throw;
    }
    position_ = -1;
    First();
} catch (const std::bad_alloc&) {
    RaiseError(kMsgNoMemoryToRead, tableName_);
}

// A detail range stays in force when the filter goes.
void ChimTable::DeactivateFilter() {
    LoadCursorList();
    if (rangeActive_)
        CutToRange();
    position_ = -1;
    First();
}

// ---- key search ----

void ChimTable::RequireActiveIndex() const {
    if (activeIndex_ < 0)
        RaiseError("No index currently active");
}

void ChimTable::SetKey() {
    CheckBrowseMode();
    RequireActiveIndex();
    SelectKeyBuffer(kSearchKeyBuffer);
    InitRecordValues(KeyBuffer(kSearchKeyBuffer));
    keyFieldCount_ = static_cast<std::int32_t>(
        IndexDefs()[static_cast<std::size_t>(activeIndex_)].fieldNumbers.size());
    SetState(DataSetState::dsSetKey);
}

void ChimTable::FillSearchKey(const std::vector<FieldValue>& values) {
    CheckBrowseMode();
    RequireActiveIndex();
    const IndexDef& index = IndexDefs()[static_cast<std::size_t>(activeIndex_)];
    keyFieldCount_ = static_cast<std::int32_t>(values.size());
    SelectKeyBuffer(kSearchKeyBuffer);
    InitRecordValues(KeyBuffer(kSearchKeyBuffer));
    SetState(DataSetState::dsSetKey);
    try {
        for (std::size_t k = 0; k < index.fieldNumbers.size(); ++k) {
            Field* field = FieldForStoredNumber(index.fieldNumbers[k]);
            if (field == nullptr)
                RaiseError("Field '%s' not found",
                           FieldDefs()[static_cast<std::size_t>(index.fieldNumbers[k])].name);
            if (k < values.size())
                field->Assign(values[k]);
            else
                field->Clear();
        }
    } catch (...) {
        SetState(DataSetState::dsBrowse);
        throw;
    }
    SetState(DataSetState::dsBrowse);
}

bool ChimTable::SearchForKey(bool partial, int bound) {
    CheckBrowseMode();
    RequireActiveIndex();
    Fire(BeforeScroll);
    std::int32_t result = 0;
    const std::int32_t position =
        tableIO_->SearchKeyIn(cursorList_, KeyBuffer(kSearchKeyBuffer).Buffers(), partial,
                              keyFieldCount_, result, bound, activeIndex_);
    if (result != 0)
        return false;
    MoveToPosition(position);
    return true;
}

bool ChimTable::GotoKey() {
    return SearchForKey(true, 0);
}

bool ChimTable::GotoKeyExact() {
    return SearchForKey(false, -1);
}

bool ChimTable::FindKey(const std::vector<FieldValue>& values) {
    FillSearchKey(values);
    return SearchForKey(true, 0);
}

bool ChimTable::FindKeyExact(const std::vector<FieldValue>& values) {
    FillSearchKey(values);
    return SearchForKey(false, -1);
}

// ---- blobs ----

std::unique_ptr<ChimBlobStream> ChimTable::CreateBlobStream(Field& field, std::uint8_t mode) {
    if (!field.IsBlob())
        RaiseError("Field '%s' is not a blob field", field.FieldName());
    if (mode != ChimBlobStream::kModeRead)
        CheckFieldWritable(field);
    return std::make_unique<ChimBlobStream>(*this, field.Index(), mode);
}

OptimBlobStream& ChimTable::ActiveBlobStream(int fieldNo) {
    RecordBuffer* buffer = ActiveRecordBuffer();
    OptimBlobStream* stream =
        buffer != nullptr ? buffer->BlobStream(static_cast<std::size_t>(fieldNo)) : nullptr;
    if (stream == nullptr)
        RaiseError("No records");
    return *stream;
}

void ChimTable::SetFieldModified(int fieldNo) {
    FieldChanged(Fields(static_cast<std::size_t>(fieldNo)));
}

void ChimTable::FieldDataChanged(int) {}

}  // namespace chimdb
