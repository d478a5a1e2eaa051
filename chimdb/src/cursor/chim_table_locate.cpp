// Locate and Lookup: finding a record of the cursor list by field values.
#include <algorithm>

#include "chimdb/chim_table.h"
#include "chimdb/field_type.h"
#include "dataset/data_source.h"
#include "dataset/record_buffer.h"
#include "file/scope_exit.h"
#include "table_io/chim_table_io.h"

namespace chimdb {

namespace {

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

}  // namespace

// Names separated by ";", blanks around them ignored; empty parts (a trailing ";") are
// skipped. An unknown name raises "Field '%s' not found".
std::vector<Field*> ChimTable::ResolveFields(const DataSet& dataSet,
                                             std::string_view fieldNames) const {
    std::vector<Field*> fields;
    while (!fieldNames.empty()) {
        const std::size_t end = std::min(fieldNames.find(';'), fieldNames.size());
        const std::string_view name = TrimBlanks(fieldNames.substr(0, end));
        if (!name.empty())
            fields.push_back(&dataSet.FieldByName(name));
        fieldNames.remove_prefix(std::min(end + 1, fieldNames.size()));
    }
    if (fields.empty())
        RaiseError("Field '%s' not found", "");
    return fields;
}

// An index whose key fields are exactly the located fields, in the same order; with string
// fields among them, its case rule must be the one asked for.
//
// A partial key on string fields never goes through an index: the index orders whole
// values by the locale's collation, which does not keep the values with one beginning
// together ("alice", "Alice", "ann" in a case-sensitive index: "a" begins the first and the
// last only), so a search there could miss records or land on ones that do not match.
std::int32_t ChimTable::MatchingIndex(const std::vector<std::int32_t>& fieldNumbers,
                                      LocateOptions options) const {
    const bool hasString = std::any_of(fieldNumbers.begin(), fieldNumbers.end(), [&](int no) {
        const std::uint8_t type = FieldDefs()[static_cast<std::size_t>(no)].dataType;
        return IsStringType(type) || IsBlobType(type);
    });
    if (hasString && options.partialKey)
        return -1;
    for (std::size_t i = 0; i < IndexDefs().Count(); ++i) {
        const IndexDef& index = IndexDefs()[i];
        if (index.fieldNumbers != fieldNumbers)
            continue;
        const bool caseInsensitive = (index.options & tiCaseInsensitive) != 0;
        if (hasString && caseInsensitive != options.caseInsensitive)
            continue;
        return static_cast<std::int32_t>(i);
    }
    return -1;
}

std::int32_t ChimTable::FirstInCursorList(std::vector<std::int32_t> recNos) const {
    std::sort(recNos.begin(), recNos.end());
    for (std::size_t i = 0; i < cursorList_.size(); ++i) {
        if (std::binary_search(recNos.begin(), recNos.end(), cursorList_[i].recNo))
            return static_cast<std::int32_t>(i);
    }
    return -1;
}

// Where a record stands in the cursor list, -1 when it is not there. The cursor list keeps
// the order of the active index (record-number order without one), so a key search finds
// the record's place among its equals; when that fails (the record is not in the list, or
// the list's order went stale because another cursor changed keys since it was loaded) a
// scan by record number decides.
std::int32_t ChimTable::CursorPositionOf(std::int32_t recNo) {
    if (activeIndex_ < 0) {
        const auto at = std::lower_bound(
            cursorList_.begin(), cursorList_.end(), recNo,
            [](const RecordRef& ref, std::int32_t wanted) { return ref.recNo < wanted; });
        if (at != cursorList_.end() && at->recNo == recNo)
            return static_cast<std::int32_t>(at - cursorList_.begin());
        return FindRecNo(recNo);
    }
    const std::int32_t physical = tableIO_->Lists().PhysicalPosition(recNo);
    if (physical < 0)
        return -1;
    std::unique_ptr<RecordBuffer> key = AllocRecordBuffer();
    tableIO_->ReadRecordAt(key->Buffers(), tableIO_->List(0)[static_cast<std::size_t>(physical)]);
    std::int32_t result = 0;
    const std::int32_t first =
        tableIO_->SearchKeyIn(cursorList_, key->Buffers(), false, 0, result, -1, activeIndex_);
    if (result == 0) {
        constexpr std::int32_t kEqualsLooked = 64;
        const auto count = static_cast<std::int32_t>(cursorList_.size());
        for (std::int32_t i = first; i < count && i < first + kEqualsLooked; ++i) {
            const std::int32_t at = cursorList_[static_cast<std::size_t>(i)].recNo;
            if (at == recNo)
                return i;
            if (tableIO_->CompareKey(key->Buffers(), at, activeIndex_, false, 0) != 0)
                break;
        }
    }
    return FindRecNo(recNo);
}

// The run of equal keys in the index's full list, and of them the one that comes first in
// the cursor list, so that the answer is the walk's answer even among duplicates and when
// some of them are filtered out. When the cursor runs in this index's order its list is a
// cut of the index list in the same order: the first equal entry of the cursor list itself
// is the answer.
std::int32_t ChimTable::LocateThroughIndex(std::int32_t index, RecordBuffer& buffer, bool partial) {
    std::int32_t result = 0;
    if (index == activeIndex_) {
        const std::int32_t position =
            tableIO_->SearchKeyIn(cursorList_, buffer.Buffers(), partial, 0, result, -1, index);
        return result == 0 ? position : -1;
    }
    const auto listNumber = static_cast<std::size_t>(index + 1);
    const std::int32_t first =
        tableIO_->SearchKeyBound(buffer.Buffers(), listNumber, partial, 0, result, true, index);
    if (result != 0)
        return -1;
    // A few equal records are placed one by one; many are looked for in one pass.
    constexpr std::int32_t kPlacedOneByOne = 8;
    const RecordList& list = tableIO_->List(listNumber);
    const auto count = static_cast<std::int32_t>(list.size());
    std::vector<std::int32_t> recNos;
    std::int32_t i = first;
    for (; i < count && i <= first + kPlacedOneByOne; ++i) {
        const std::int32_t recNo = list[static_cast<std::size_t>(i)].recNo;
        if (i > first && tableIO_->CompareKey(buffer.Buffers(), recNo, index, partial, 0) != 0)
            break;
        recNos.push_back(recNo);
    }
    if (recNos.size() > static_cast<std::size_t>(kPlacedOneByOne)) {
        const std::int32_t last = tableIO_->SearchKeyBound(buffer.Buffers(), listNumber, partial, 0,
                                                           result, false, index);
        for (; i <= last; ++i)
            recNos.push_back(list[static_cast<std::size_t>(i)].recNo);
        return FirstInCursorList(std::move(recNos));
    }
    std::int32_t best = -1;
    for (std::int32_t recNo : recNos) {
        const std::int32_t position = CursorPositionOf(recNo);
        if (position >= 0 && (best < 0 || position < best))
            best = position;
    }
    return best;
}

std::int32_t ChimTable::LocateByWalk(RecordBuffer& buffer,
                                     const std::vector<std::int32_t>& fieldNumbers,
                                     LocateOptions options) {
    return tableIO_->FirstEqual(cursorList_, buffer.Buffers(), fieldNumbers,
                                {options.caseInsensitive, options.partialKey});
}

std::int32_t ChimTable::LocateInBuffer(RecordBuffer& buffer, std::string_view fieldNames,
                                       const std::vector<FieldValue>& values,
                                       LocateOptions options) {
    const std::vector<Field*> fields = ResolveFields(*this, fieldNames);
    if (values.size() < fields.size())
        RaiseError("Too few values to locate the fields '%s'", fieldNames);
    std::vector<std::int32_t> fieldNumbers;
    for (Field* field : fields) {
        if (field->Calculated())
            RaiseError("Calculated field '%s' cannot be located", field->FieldName());
        fieldNumbers.push_back(field->FieldNo());
    }
    {
        const DataSetState saved = State();
        SetState(DataSetState::dsFilter);
        RedirectFilterBuffer(&buffer);
        ScopeExit restore([&] {
            RedirectFilterBuffer(nullptr);
            SetState(saved);
        });
        for (std::size_t i = 0; i < fields.size(); ++i)
            fields[i]->Assign(values[i]);
    }
    const std::int32_t index = MatchingIndex(fieldNumbers, options);
    if (index >= 0)
        return LocateThroughIndex(index, buffer, options.partialKey);
    return LocateByWalk(buffer, fieldNumbers, options);
}

bool ChimTable::Locate(std::string_view fieldNames, const std::vector<FieldValue>& values,
                       LocateOptions options) {
    CheckBrowseMode();
    Fire(BeforeScroll);
    std::unique_ptr<RecordBuffer> buffer = AllocRecordBuffer();
    const std::int32_t position = LocateInBuffer(*buffer, fieldNames, values, options);
    if (position < 0)
        return false;
    MoveToPosition(position);
    return true;
}

bool ChimTable::Locate(std::string_view fieldNames, const FieldValue& value,
                       LocateOptions options) {
    return Locate(fieldNames, std::vector<FieldValue>{value}, options);
}

std::optional<std::vector<FieldValue>> ChimTable::Lookup(std::string_view keyFields,
                                                         const std::vector<FieldValue>& values,
                                                         std::string_view resultFields) {
    CheckBrowseMode();
    const std::vector<Field*> results = ResolveFields(*this, resultFields);
    std::unique_ptr<RecordBuffer> buffer = AllocRecordBuffer();
    const std::int32_t position = LocateInBuffer(*buffer, keyFields, values, {});
    if (position < 0)
        return std::nullopt;
    ReadRecordData(*buffer, position);
    const DataSetState saved = State();
    SetState(DataSetState::dsFilter);
    RedirectFilterBuffer(buffer.get());
    ScopeExit restore([&] {
        RedirectFilterBuffer(nullptr);
        SetState(saved);
    });
    std::vector<FieldValue> found;
    for (const Field* field : results)
        found.push_back(field->Value());
    return found;
}

}  // namespace chimdb
