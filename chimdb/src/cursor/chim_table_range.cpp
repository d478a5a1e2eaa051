// The detail range: a table that follows the current record of a master dataset.
#include "chimdb/chim_table.h"
#include "dataset/data_source.h"
#include "dataset/master_data_link.h"
#include "dataset/record_buffer.h"
#include "file/scope_exit.h"
#include "table_io/chim_table_io.h"

namespace chimdb {

namespace {

constexpr std::size_t kRangeStartBuffer = 1;
constexpr std::size_t kRangeEndBuffer = 2;

}  // namespace

DataSource* ChimTable::MasterSource() const {
    return masterLink_->Source();
}

void ChimTable::SetMasterSource(DataSource* source) {
    if (source == masterLink_->Source())
        return;
    const DataSet* master = source != nullptr ? source->GetDataSet() : nullptr;
    if (master != nullptr && (master == this || master->IsLinkedTo(*this)))
        RaiseError("Circular datalinks are not allowed");
    if (!masterLink_->OnMasterChange) {
        masterLink_->OnMasterChange = [this] { MasterChanged(); };
        masterLink_->OnMasterDisable = [this] { MasterDisabled(); };
    }
    // Hooking on to an active source takes the range at once; leaving one cancels it.
    masterLink_->SetSource(source);
}

void ChimTable::SetMasterFields(const std::string& fieldNames) {
    if (fieldNames == masterFields_)
        return;
    const std::string previous = masterFields_;
    masterFields_ = fieldNames;
    try {
        if (RangeWanted())
            ApplyMasterRange();
        else if (rangeActive_)
            CancelRange();
    } catch (...) {
        masterFields_ = previous;
        throw;
    }
}

bool ChimTable::RangeWanted() const {
    return Active() && masterLink_->Active() && !masterFields_.empty();
}

void ChimTable::MasterChanged() {
    if (RangeWanted())
        ApplyMasterRange();
}

void ChimTable::MasterDisabled() {
    if (Active() && rangeActive_)
        CancelRange();
}

bool ChimTable::FillRangeKeys(const std::vector<Field*>& masterFields) {
    DataSet& master = *masterLink_->Source()->GetDataSet();
    if (master.ActiveRecordBuffer() == nullptr)
        return false;
    const IndexDef& index = IndexDefs()[static_cast<std::size_t>(activeIndex_)];
    const std::size_t count = std::min(masterFields.size(), index.fieldNumbers.size());
    const DataSetState saved = State();
    ScopeExit restore([&] {
        SetState(saved);
        SelectKeyBuffer(kSearchKeyBuffer);
    });
    for (std::size_t buffer : {kRangeStartBuffer, kRangeEndBuffer}) {
        InitRecordValues(KeyBuffer(buffer));
        SelectKeyBuffer(buffer);
        SetState(DataSetState::dsSetKey);
        for (std::size_t k = 0; k < count; ++k) {
            Field* field = FieldForStoredNumber(index.fieldNumbers[k]);
            if (field == nullptr)
                RaiseError("Field '%s' not found",
                           FieldDefs()[static_cast<std::size_t>(index.fieldNumbers[k])].name);
            field->Assign(masterFields[k]->Value());
        }
        SetState(saved);
    }
    return true;
}

// The master's field names are checked before anything changes, so a bad MasterFields text
// leaves the cursor as it was.
void ChimTable::ApplyMasterRange() {
    if (activeIndex_ < 0)
        return;
    const std::vector<Field*> masterFields =
        ResolveFields(*masterLink_->Source()->GetDataSet(), masterFields_);
    CheckBrowseMode();
    if (Filtered())
        SetFilteredFlag(false);
    const IndexDef& index = IndexDefs()[static_cast<std::size_t>(activeIndex_)];
    keyFieldCount_ =
        static_cast<std::int32_t>(std::min(masterFields.size(), index.fieldNumbers.size()));
    rangeEmpty_ = !FillRangeKeys(masterFields);
    LoadCursorList();
    CutToRange();
    rangeActive_ = true;
    First();
}

// Lower bound: the first entry whose key is not below the start key; upper bound: the last
// whose key is not above the end key. An empty table stays as it is.
void ChimTable::CutToRange() {
    const auto listNumber = static_cast<std::size_t>(activeIndex_ + 1);
    const RecordList& full = tableIO_->List(listNumber);
    if (full.empty())
        return;
    listVersion_ = -1;
    if (rangeEmpty_) {
        cursorList_.clear();
        return;
    }
    std::int32_t result = 0;
    std::int32_t lower =
        tableIO_->SearchKeyBound(KeyBuffer(kRangeStartBuffer).Buffers(), listNumber, false,
                                 keyFieldCount_, result, true, activeIndex_);
    if (result > 0)
        ++lower;
    std::int32_t upper =
        tableIO_->SearchKeyBound(KeyBuffer(kRangeEndBuffer).Buffers(), listNumber, false,
                                 keyFieldCount_, result, false, activeIndex_);
    if (result < 0)
        --upper;
    if (lower > upper) {
        cursorList_.clear();
        return;
    }
    cursorList_.assign(full.begin() + lower, full.begin() + upper + 1);
}

void ChimTable::CancelRange() {
    CheckBrowseMode();
    rangeActive_ = false;
    rangeEmpty_ = false;
    keyFieldCount_ = 0;
    LoadCursorList();
    position_ = -1;
    if (Filtered()) {
        ActivateFilter();
        return;
    }
    First();
}

}  // namespace chimdb
