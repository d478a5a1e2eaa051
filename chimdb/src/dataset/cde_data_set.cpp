#include "chimdb/cde_data_set.h"

#include <cstring>
#include <typeinfo>

#include "chimdb/date_time_codec.h"
#include "chimdb/field_type.h"
#include "dataset/record_buffer.h"
#include "filter/filter_parser.h"

namespace chimdb {

namespace {

constexpr std::int32_t kBookmarkTail = 5;

template <typename T>
void Store(std::uint8_t* bytes, T value) {
    std::memcpy(bytes, &value, sizeof value);
}

}  // namespace

CDEDataSet::CDEDataSet(Component* owner)
    : CDBDataSet(owner), filterParser_(CreateFilterParser(*this)) {}

CDEDataSet::~CDEDataSet() = default;

// ---- layout ----

void CDEDataSet::PrepareRecordLayout(const std::vector<int>& storedFieldNumbers) {
    fieldsByStoredNumber_.assign(StoredFieldCount(), nullptr);
    std::int32_t offset = 0;
    for (std::size_t i = 0; i < FieldCount(); ++i) {
        Field& field = Fields(i);
        if (field.Calculated())
            continue;
        const int fieldNo = storedFieldNumbers.at(i);
        const std::int32_t size =
            field.IsBlob() ? 0 : FieldWidth(field.DataType(), field.Size()).value_or(0);
        field.Bind(static_cast<int>(i), fieldNo, offset, size);
        offset += size;
        if (fieldNo >= 0 && static_cast<std::size_t>(fieldNo) < fieldsByStoredNumber_.size())
            fieldsByStoredNumber_[static_cast<std::size_t>(fieldNo)] = &field;
    }
    dataSize_ = offset;
    for (std::size_t i = 0; i < FieldCount(); ++i) {
        Field& field = Fields(i);
        if (!field.Calculated())
            continue;
        if (field.IsBlob())
            RaiseError("Calculated field '%s' cannot be a blob field", field.FieldName());
        const std::int32_t size = FieldWidth(field.DataType(), field.Size()).value_or(0);
        if (size == 0)
            RaiseError("Field '%s' is of an unknown type", field.FieldName());
        field.Bind(static_cast<int>(i), -1, offset, size);
        offset += size + 1;
    }
    calcSize_ = offset - dataSize_;
    recordSize_ = offset + kBookmarkTail;
    for (auto& key : keyBuffers_) {
        key = AllocRecordBuffer();
        InitRecordValues(*key);
    }
    filterBuffer_ = AllocRecordBuffer();
}

void CDEDataSet::FreeRecordLayout() {
    for (auto& key : keyBuffers_)
        key.reset();
    filterBuffer_.reset();
    filterBufferRedirect_ = nullptr;
    fieldsByStoredNumber_.clear();
    dataSize_ = calcSize_ = recordSize_ = 0;
}

Field* CDEDataSet::FieldForStoredNumber(int fieldNo) const {
    if (fieldNo < 0 || static_cast<std::size_t>(fieldNo) >= fieldsByStoredNumber_.size())
        return nullptr;
    return fieldsByStoredNumber_[static_cast<std::size_t>(fieldNo)];
}

std::unique_ptr<RecordBuffer> CDEDataSet::AllocRecordBuffer() {
    auto buffer =
        std::make_unique<RecordBuffer>(static_cast<std::size_t>(recordSize_), FieldCount());
    for (std::size_t s = 0; s < fieldsByStoredNumber_.size(); ++s) {
        Field* field = fieldsByStoredNumber_[s];
        if (field == nullptr) {
            buffer->Buffers().AddInactive();
        } else if (field->IsBlob()) {
            OptimBlobStream& stream =
                buffer->AddBlobStream(static_cast<std::size_t>(field->Index()), BlobSource());
            buffer->Buffers().AddBlob(&stream, field->DataType(), kBlobDescriptorSize);
        } else {
            buffer->Buffers().Add(buffer->Data() + field->Offset(), field->DataType(),
                                  field->DataSize());
        }
    }
    return buffer;
}

void CDEDataSet::InitRecordValues(RecordBuffer& buffer) {
    std::memset(buffer.Data(), 0, buffer.Size());
    buffer.ClearBlobStreams();
    for (std::size_t i = 0; i < FieldCount(); ++i) {
        const Field& field = Fields(i);
        if (field.Calculated())
            continue;
        std::uint8_t* data = buffer.Data() + field.Offset();
        switch (static_cast<FieldType>(field.DataType())) {
            case FieldType::ftDate:
                Store(data, TodayDayNumber());
                break;
            case FieldType::ftTime:
                Store(data, NowMsOfDay());
                break;
            case FieldType::ftDateTime:
                Store(data, DateTimeValue(kDayNumberOf18991230, 0));
                break;
            default:
                break;
        }
    }
}

// ---- field access ----

RecordBuffer* CDEDataSet::ActiveRecordBuffer() {
    switch (State()) {
        case DataSetState::dsSetKey:
            return keyBuffers_[keyBufferIndex_].get();
        case DataSetState::dsFilter:
            return filterBufferRedirect_ != nullptr ? filterBufferRedirect_ : filterBuffer_.get();
        default:
            return DataSet::ActiveRecordBuffer();
    }
}

bool CDEDataSet::GetFieldData(const Field& field, std::span<std::uint8_t> dest) {
    if (field.IsBlob())
        RaiseError("General error");
    RecordBuffer* buffer = ActiveRecordBuffer();
    if (buffer == nullptr)
        return false;
    const std::uint8_t* at = buffer->Data() + field.Offset();
    if (field.Calculated()) {
        if (at[0] == 0)
            return false;
        ++at;
    }
    std::memcpy(dest.data(), at, std::min(dest.size(), static_cast<std::size_t>(field.DataSize())));
    return true;
}

void CDEDataSet::SetFieldData(Field& field, std::span<const std::uint8_t> source) {
    if (field.IsBlob())
        RaiseError("General error");
    CheckFieldWritable(field);
    RecordBuffer* buffer = ActiveRecordBuffer();
    if (buffer == nullptr)
        RaiseError("Dataset not in edit or insert mode");
    std::uint8_t* at = buffer->Data() + field.Offset();
    if (field.Calculated())
        *at++ = 1;
    const auto size = static_cast<std::size_t>(field.DataSize());
    std::memset(at, 0, size);
    std::memcpy(at, source.data(), std::min(size, source.size()));
    FieldChanged(field);
}

// ---- filter ----

void CDEDataSet::ParseFilter() {
    filterFieldNumbers_.clear();
    if (!filter_.empty())
        filterParser_->Parse(filter_);
}

bool CDEDataSet::FilterParsedByLanguage() const {
    if (filterParser_ == nullptr)
        return false;
    const auto& parser = *filterParser_;
    return typeid(parser) == typeid(FilterParser);
}

Field* CDEDataSet::FindFilterField(std::string_view name) {
    Field* field = FindField(name);
    if (field != nullptr && !field->Calculated())
        filterFieldNumbers_.push_back(field->FieldNo());
    return field;
}

bool CDEDataSet::TestFilterRecord() {
    if (OnFilterRecord) {
        bool accept = true;
        OnFilterRecord(*this, accept);
        if (!accept)
            return false;
    }
    if (filter_.empty())
        return true;
    return filterParser_->Evaluate(filterOptions_);
}

bool CDEDataSet::TestStoredRecord(const StoredFields& stored) {
    if (filter_.empty())
        return true;
    return filterParser_->EvaluateStored(filterOptions_, stored);
}

void CDEDataSet::ReapplyFilter(const std::function<void()>& restore) {
    if (!Active() || !filtered_)
        return;
    CheckBrowseMode();
    DeactivateFilter();
    try {
        ActivateFilter();
    } catch (...) {
        restore();
        throw;
    }
}

void CDEDataSet::SetFilter(const std::string& text) {
    if (Active() && !text.empty())
        filterParser_->Parse(text);
    if (text == filter_)
        return;
    const std::string previous = filter_;
    filter_ = text;
    ReapplyFilter([&] { filter_ = previous; });
}

void CDEDataSet::SetFilterOptions(const FilterOptions& options) {
    if (Active() && !filter_.empty())
        filterParser_->Parse(filter_);
    if (options == filterOptions_)
        return;
    const FilterOptions previous = filterOptions_;
    filterOptions_ = options;
    ReapplyFilter([&] { filterOptions_ = previous; });
}

void CDEDataSet::SetFiltered(bool filtered) {
    if (!Active()) {
        filtered_ = filtered;
        return;
    }
    CheckBrowseMode();
    const bool previous = filtered_;
    filtered_ = filtered;
    try {
        if (filtered)
            ActivateFilter();
        else
            DeactivateFilter();
    } catch (...) {
        filtered_ = previous;
        throw;
    }
}

}  // namespace chimdb
