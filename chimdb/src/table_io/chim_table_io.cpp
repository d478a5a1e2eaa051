#include "table_io/chim_table_io.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "chimdb/code_page.h"
#include "chimdb/database_error.h"
#include "chimdb/field_type.h"
#include "format/block_chain.h"
#include "format/file_format.h"
#include "format/index_table.h"
#include "format/record_layout.h"
#include "format/record_table.h"
#include "table_io/optim_blob_stream.h"
#include "table_io/retained_tables.h"
#include "values/value_compare.h"

namespace chimdb {

namespace {

int CompareBytes(std::span<const std::uint8_t> key, std::span<const std::uint8_t> stored) {
    std::size_t common = std::min(key.size(), stored.size());
    int c = common == 0 ? 0 : std::memcmp(key.data(), stored.data(), common);
    if (c != 0)
        return c < 0 ? -1 : 1;
    if (key.size() == stored.size())
        return 0;
    return key.size() < stored.size() ? -1 : 1;
}

std::string_view AsText(std::span<const std::uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

}  // namespace

ChimTableIO::ChimTableIO(ChimDBFileIO& fileIO, std::string tableName)
    : io_(fileIO), tableName_(std::move(tableName)) {}

void ChimTableIO::OpenTable() {
    if (openCount_ > 0) {
        ++openCount_;
        return;
    }
    FileLockGuard lock(io_);
    try {
        LoadTable();
    } catch (...) {
        tableNumber_ = -1;
        lists_.Clear();
        fieldDefs_.Clear();
        indexDefs_.Clear();
        throw;
    }
    openCount_ = 1;
}

void ChimTableIO::CloseTable() {
    if (openCount_ == 0)
        return;
    if (--openCount_ > 0)
        return;
    Retain();
    tableNumber_ = -1;
    fieldDefs_.Clear();
    indexDefs_.Clear();
    fieldOffsets_.clear();
    fieldWidths_.clear();
    recordSize_ = 0;
    autoIncField_ = -1;
    header_ = TableHeader{};
    kept_.Reset(0, 0);
    keptKnown_ = false;
    stampCheckedInHold_ = 0;
    syncedInHold_ = 0;
    recordItems_.clear();
    recordBlocks_.clear();
    indexBlocks_.clear();
    lists_.Clear();
    textsEnciphered_.clear();
}

void ChimTableIO::LoadTable() {
    tableNumber_ = io_.FindTable(tableName_);
    header_ = io_.ReadTableHeader(tableNumber_);
    BuildDefinitions();
    RecordLayout layout = RecordLayout::Compute(header_.fields);
    fieldOffsets_ = layout.FieldOffsets;
    recordSize_ = layout.RecordSize;
    fieldWidths_.clear();
    for (const FieldDefItem& field : header_.fields)
        fieldWidths_.push_back(*chimdb::FieldWidth(field.fieldType, field.fieldSize));
    autoIncField_ = -1;
    for (std::size_t i = 0; i < header_.fields.size(); ++i) {
        if (header_.fields[i].fieldType == static_cast<std::uint8_t>(FieldType::ftAutoInc)) {
            autoIncField_ = static_cast<std::int32_t>(i);
            break;
        }
    }
    BuildKeptLayout();
    keptKnown_ = false;
    if (!AdoptRetained())
        LoadLists();
    listsKnown_ = true;
    KeepStamp(HeaderStamp());
    syncedInHold_ = io_.LockHold();
}

// What this object read of the table outlives its last close, for the next opening of the
// same table in this process. Only what is known to be the file's: lists read or written
// here under the lock, and kept records of the stamp in the header.
void ChimTableIO::Retain() {
    File::Identity file;
    if (!listsKnown_ || tableNumber_ < 0 || !io_.IsOpen() ||
        io_.MediumType() != ChimDBMediumType::mtDisk || !io_.Stream().GetIdentity(file))
        return;
    RetainedTable table;
    table.file = file;
    table.tableNumber = tableNumber_;
    table.processHeader = io_.GetProcessHeader().raw;
    table.tableHeader = header_.raw;
    table.changeTimes = io_.Stream().LastChange();
    table.recordItems = std::move(recordItems_);
    table.recordBlocks = std::move(recordBlocks_);
    table.indexBlocks = std::move(indexBlocks_);
    table.lists = std::move(lists_);
    if (keptKnown_ && keptStamp_ == HeaderStamp())
        table.kept = std::move(kept_);
    RetainedTables::Instance().Put(std::move(table));
}

// Under the lock, with the header just read: takes what an earlier object left of this table
// when nothing has written the file since (its change times, prologue and table header are
// as they were then). The kept records come along only for a connection that may read them.
bool ChimTableIO::AdoptRetained() {
    File::Identity file;
    if (io_.MediumType() != ChimDBMediumType::mtDisk || !io_.Stream().GetIdentity(file))
        return false;
    std::optional<RetainedTable> table = RetainedTables::Instance().Take(file, tableNumber_);
    if (!table || table->tableHeader != header_.raw ||
        table->processHeader != io_.GetProcessHeader().raw ||
        !(table->changeTimes == io_.Stream().LastChange()))
        return false;
    recordItems_ = std::move(table->recordItems);
    recordBlocks_ = std::move(table->recordBlocks);
    indexBlocks_ = std::move(table->indexBlocks);
    lists_ = std::move(table->lists);
    if (io_.CanDecipher() && table->kept.Limit() == kept_.Limit() && table->kept.Count() > 0) {
        kept_ = std::move(table->kept);
        keptStamp_ = HeaderStamp();
        keptKnown_ = true;
    }
    return true;
}

void ChimTableIO::BuildDefinitions() {
    fieldDefs_.Clear();
    indexDefs_.Clear();
    fieldDefs_.BeginUpdate();
    for (const FieldDefItem& field : header_.fields)
        fieldDefs_.Add(FromCodePage(field.name), field.fieldType, field.fieldSize,
                       field.ProcessFlag);
    fieldDefs_.EndUpdate();
    indexDefs_.BeginUpdate();
    for (const IndexDefItem& index : header_.indexes)
        indexDefs_.Add(FromCodePage(index.name), index.Options, index.fieldNumbers);
    indexDefs_.EndUpdate();
}

std::int32_t ChimTableIO::FieldWidth(std::size_t fieldNo) const {
    if (fieldNo >= fieldWidths_.size())
        RaiseError("List index out of bounds (%s)", std::to_string(fieldNo));
    return fieldWidths_[fieldNo];
}

void ChimTableIO::LoadLists() {
    // Every record ever appended has its fixed part in the file: a record larger than the
    // file is damage, refused before a record buffer is sized by it.
    if (header_.RecordCount > 0 && recordSize_ > io_.FileSize() - format::kPrologueEnd)
        RaiseError(format::kMsgCorrupt, io_.FileName());
    RecordTable table = RecordTable::Read(io_.Stream(), header_);
    recordItems_ = std::move(table.items);
    recordBlocks_ = std::move(table.blockOffsets);
    lists_.Reset(header_.indexes.size());
    RecordList& physical = lists_.List(0);
    for (std::size_t n = 0; n < recordItems_.size(); ++n) {
        if (!recordItems_[n].IsDeleted())
            physical.push_back(RecordRef{recordItems_[n].dataOffset, static_cast<std::int32_t>(n)});
    }
    indexBlocks_.assign(header_.indexes.size(), {});
    for (std::size_t i = 0; i < header_.indexes.size(); ++i) {
        if (!LoadIndexList(i))
            RebuildIndex(i);
    }
}

bool ChimTableIO::ResortPending(std::size_t indexNo) const {
    std::size_t markerOffset = kResortMarkersOffset + indexNo;
    return header_.raw.size() > markerOffset && header_.raw[markerOffset] == kResortPending;
}

// Reads one index's chain into its list. False when a write of the store was cut short while
// it relinked this index (its re-sort byte is set): the chain is then rebuilt from the keys.
// Any other chain that leaves the record numbers, loops, misses or repeats a live record is
// damage that no write of the store leaves behind: "corrupt", and nothing is written.
bool ChimTableIO::LoadIndexList(std::size_t indexNo) {
    const IndexDefItem& index = header_.indexes[indexNo];
    RecordList& list = lists_.List(indexNo + 1);
    const RecordList& physical = lists_.List(0);
    if (header_.RecordCount == 0)
        return true;
    if (index.IndexTabOffset == 0)
        RaiseError(format::kMsgCorrupt, io_.FileName());
    IndexTable table = IndexTable::Read(io_.Stream(), index, header_.RecordCount);
    indexBlocks_[indexNo] = table.blockOffsets;
    if (ResortPending(indexNo))
        return false;
    std::vector<bool> visited(recordItems_.size(), false);
    std::int32_t record = index.HeadRecord;
    for (std::int32_t steps = 0; record != -1 && steps < header_.RecordCount; ++steps) {
        if (record < 0 || record >= header_.RecordCount ||
            visited[static_cast<std::size_t>(record)])
            RaiseError(format::kMsgCorrupt, io_.FileName());
        visited[static_cast<std::size_t>(record)] = true;
        const RecordTabItem& item = recordItems_[static_cast<std::size_t>(record)];
        if (!item.IsDeleted())
            list.push_back(RecordRef{item.dataOffset, record});
        record = table.items[static_cast<std::size_t>(record)].nextRecord;
    }
    if (record != -1 || list.size() != physical.size())
        RaiseError(format::kMsgCorrupt, io_.FileName());
    return true;
}

void ChimTableIO::ReloadLists() {
    LoadLists();
    ++listsGeneration_;
    ++listsVersion_;
}

// Besides the header (and the change stamp in it) the deleted bytes of the record table
// are compared, since a delete changes nothing else.
void ChimTableIO::SyncWithFile() {
    FileLockGuard lock(io_);
    if (const std::uint64_t hold = io_.LockHold();
        hold != 0 && hold == syncedInHold_ && listsKnown_)
        return;  // nobody else has written since, in this hold of the lock
    Refresh();
    if (DeletedFlagsDifferFromFile())
        ReloadEverything();
    syncedInHold_ = io_.LockHold();
}

void ChimTableIO::ReloadFromFile() {
    FileLockGuard lock(io_);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(format::kTableHeaderSize));
    io_.ReadExactly(io_.TableHeaderOffset(tableNumber_), bytes);
    header_ = TableHeader::Parse(bytes, io_.FileSize(), io_.FileName());
    ReloadLists();
}

std::int32_t ChimTableIO::PrimaryIndex() const {
    for (std::size_t i = 0; i < header_.indexes.size(); ++i) {
        if (header_.indexes[i].Options & tiPrimary)
            return static_cast<std::int32_t>(i);
    }
    return -1;
}

std::int32_t ChimTableIO::MapPosition(std::size_t fromList, std::int32_t position,
                                      std::size_t toList) const {
    if (fromList >= lists_.Count() || toList >= lists_.Count())
        return -1;
    const RecordList& from = lists_.List(fromList);
    if (position < 0 || position >= static_cast<std::int32_t>(from.size()))
        return -1;
    return lists_.PositionOf(toList, from[static_cast<std::size_t>(position)].recNo);
}

bool ChimTableIO::FieldEncrypted(std::size_t fieldNo) const {
    return io_.EncryptEnabled() && header_.fields[fieldNo].ProcessFlag == 0;
}

bool ChimTableIO::FieldCompressed(std::size_t fieldNo) const {
    const FieldDefItem& field = header_.fields[fieldNo];
    return io_.CompressEnabled() && IsBlobType(field.fieldType) && field.ProcessFlag == 0;
}

void ChimTableIO::ReadRecord(FieldBuffers& buffers, std::size_t listNumber, std::int32_t position) {
    KeepUpWithFile();
    for (int attempt = 0;; ++attempt) {
        const RecordList& list = lists_.List(listNumber);
        if (position < 0 || position >= static_cast<std::int32_t>(list.size()))
            RaiseError("List index out of bounds (%s)", std::to_string(position));
        const RecordRef ref = list[static_cast<std::size_t>(position)];
        if (attempt == 0 && DeletedElsewhere(ref.recNo)) {
            FileLockGuard lock(io_);
            ReloadEverything();
            continue;
        }
        ReadRecordAt(buffers, ref);
        return;
    }
}

void ChimTableIO::ReadRecordAt(FieldBuffers& buffers, const RecordRef& entry) {
    // A copy: the entry may belong to a list that a reload replaces.
    const RecordRef ref = entry;
    const std::uint8_t* record = KeptRecord(ref);
    const std::size_t count = std::min(buffers.Count(), header_.fields.size());
    for (std::size_t i = 0; i < count; ++i) {
        FieldBufferItem& item = buffers.ItemAt(i);
        if (!item.Active())
            continue;
        if (keptLayout_.IsBlob(i)) {
            if (item.BlobStream() != nullptr)
                item.BlobStream()->SetLoadInfo(ref.dataOffset + fieldOffsets_[i], FieldEncrypted(i),
                                               FieldCompressed(i));
            continue;
        }
        const auto width = static_cast<std::size_t>(fieldWidths_[i]);
        auto size = std::min(width, static_cast<std::size_t>(std::max(item.DataSize(), 0)));
        if (item.Data() == nullptr || size == 0)
            continue;
        // A value slot narrower than the field keeps the field's start; a text's unused end
        // reads as zeros.
        const std::span<const std::uint8_t> value = keptLayout_.Field(record, i);
        const std::size_t kept = std::min(size, value.size());
        std::memcpy(item.Data(), value.data(), kept);
        std::memset(item.Data() + kept, 0, size - kept);
    }
}

void ChimTableIO::ReadFieldValue(std::int32_t recNo, std::size_t fieldNo,
                                 std::vector<std::uint8_t>& value) {
    if (recNo < 0 || recNo >= static_cast<std::int32_t>(recordItems_.size()) ||
        fieldNo >= header_.fields.size())
        RaiseError(format::kMsgCorrupt, io_.FileName());
    std::int64_t fieldOffset =
        static_cast<std::int64_t>(recordItems_[static_cast<std::size_t>(recNo)].dataOffset) +
        fieldOffsets_[fieldNo];
    if (!IsBlobType(header_.fields[fieldNo].fieldType)) {
        const std::span<const std::uint8_t> field = KeptField(recNo, fieldNo);
        value.assign(field.begin(), field.end());
        value.resize(static_cast<std::size_t>(FieldWidth(fieldNo)), 0);
        return;
    }
    std::uint8_t bytes[format::kBlobDescriptorBytes];
    io_.ReadExactly(fieldOffset, bytes);
    BlobDescriptor descriptor = BlobDescriptor::Parse(bytes);
    if (!descriptor.FitsIn(io_.FileSize()))
        RaiseError(format::kMsgCorrupt, io_.FileName());
    blobScratch_.resize(static_cast<std::size_t>(descriptor.dataSize));
    if (!blobScratch_.empty())
        io_.ReadExactly(descriptor.dataOffset, blobScratch_);
    io_.DecodeStream(blobScratch_, value, FieldCompressed(fieldNo), FieldEncrypted(fieldNo));
}

int ChimTableIO::CompareKey(const FieldBuffers& buffers, std::int32_t recNo,
                            std::int32_t indexNumber, bool partial, std::int32_t fieldCount) {
    if (indexNumber < 0 || indexNumber >= static_cast<std::int32_t>(header_.indexes.size()))
        RaiseError("List index out of bounds (%s)", std::to_string(indexNumber));
    const IndexDefItem& index = header_.indexes[static_cast<std::size_t>(indexNumber)];
    CompareOptions options{(index.Options & tiCaseInsensitive) != 0, partial};
    std::size_t keyFields = index.fieldNumbers.size();
    if (fieldCount > 0)
        keyFields = std::min(keyFields, static_cast<std::size_t>(fieldCount));
    int result =
        CompareFields(buffers, recNo, std::span(index.fieldNumbers.data(), keyFields), options);
    if (index.Options & tiDescending)
        result = -result;
    return result;
}

int ChimTableIO::CompareFields(const FieldBuffers& buffers, std::int32_t recNo,
                               std::span<const std::int32_t> fieldNumbers, CompareOptions options) {
    int result = 0;
    for (std::size_t k = 0; k < fieldNumbers.size() && result == 0; ++k)
        result = CompareField(buffers, recNo, static_cast<std::size_t>(fieldNumbers[k]), options);
    return result;
}

int ChimTableIO::CompareField(const FieldBuffers& buffers, std::int32_t recNo, std::size_t fieldNo,
                              CompareOptions options) {
    if (fieldNo >= header_.fields.size())
        RaiseError("List index out of bounds (%s)", std::to_string(fieldNo));
    const FieldBufferItem& key = buffers.Item(fieldNo);
    std::uint8_t type = header_.fields[fieldNo].fieldType;
    if (IsBlobType(type)) {
        ReadFieldValue(recNo, fieldNo, fieldScratch_);
        std::span<const std::uint8_t> content;
        if (key.BlobStream() != nullptr)
            content = key.BlobStream()->Content();
        return IsTextBlobType(type)
                   ? CompareCodePageStrings(AsText(content), AsText(fieldScratch_), options)
                   : CompareBytes(content, fieldScratch_);
    }
    auto width = FieldWidth(fieldNo);
    const std::uint8_t* keyValue = key.Data();
    if (key.DataSize() < width || keyValue == nullptr) {
        // A short key slot: compare a zero-padded copy.
        keyScratch_.assign(static_cast<std::size_t>(width), 0);
        if (keyValue != nullptr && key.DataSize() > 0)
            std::memcpy(keyScratch_.data(), keyValue,
                        static_cast<std::size_t>(std::min(key.DataSize(), width)));
        keyValue = keyScratch_.data();
    }
    // A kept text holds its terminating zero, where the comparison stops.
    return CompareFieldValue(type, keyValue, KeptField(recNo, fieldNo).data(), width, options);
}

std::int32_t ChimTableIO::FirstEqual(const RecordList& list, const FieldBuffers& buffers,
                                     std::span<const std::int32_t> fieldNumbers,
                                     CompareOptions options) {
    // The keys as the comparison wants them (zero-padded to the field's width), once.
    struct Key {
        std::size_t fieldNo;
        std::uint8_t type;
        std::int32_t width;
        std::vector<std::uint8_t> value;
    };
    std::vector<Key> keys;
    for (std::int32_t number : fieldNumbers) {
        const auto fieldNo = static_cast<std::size_t>(number);
        if (fieldNo >= header_.fields.size())
            RaiseError("List index out of bounds (%s)", std::to_string(fieldNo));
        const std::uint8_t type = header_.fields[fieldNo].fieldType;
        if (IsBlobType(type))
            return FirstEqualByFields(list, buffers, fieldNumbers, options);
        const FieldBufferItem& item = buffers.Item(fieldNo);
        Key key{fieldNo, type, fieldWidths_[fieldNo],
                std::vector<std::uint8_t>(static_cast<std::size_t>(fieldWidths_[fieldNo]), 0)};
        if (item.Data() != nullptr && item.DataSize() > 0)
            std::memcpy(key.value.data(), item.Data(),
                        static_cast<std::size_t>(std::min(item.DataSize(), key.width)));
        keys.push_back(std::move(key));
    }
    CheckKeptRecords();
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::uint8_t* record = kept_.Find(list[i].recNo);
        if (record == nullptr || !IsKnownRecord(list[i]))
            record = KeptRecord(list[i]);
        bool equal = true;
        for (const Key& key : keys) {
            if (CompareFieldValue(key.type, key.value.data(),
                                  keptLayout_.Field(record, key.fieldNo).data(), key.width,
                                  options) != 0) {
                equal = false;
                break;
            }
        }
        if (equal)
            return static_cast<std::int32_t>(i);
    }
    return -1;
}

std::int32_t ChimTableIO::FirstEqualByFields(const RecordList& list, const FieldBuffers& buffers,
                                             std::span<const std::int32_t> fieldNumbers,
                                             CompareOptions options) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (CompareFields(buffers, list[i].recNo, fieldNumbers, options) == 0)
            return static_cast<std::int32_t>(i);
    }
    return -1;
}

// Binary search over list, leaving out the entry at skip (-1: none). bound 0 stops at the
// first equal entry met; -1 goes on to the first equal entry, 1 to the last.
std::int32_t ChimTableIO::SearchIn(const RecordList& list, std::int32_t skip,
                                   const FieldBuffers& buffers, bool partial,
                                   std::int32_t fieldCount, std::int32_t& result, int bound,
                                   std::int32_t indexNumber) {
    auto count = static_cast<std::int32_t>(list.size()) - (skip >= 0 ? 1 : 0);
    if (count <= 0) {
        result = kKeyListEmpty;
        return 0;
    }
    auto at = [&](std::int32_t v) {
        return list[static_cast<std::size_t>(skip >= 0 && v >= skip ? v + 1 : v)].recNo;
    };
    // A key beyond the last entry (a growing number) or before the first ends where the
    // search would end after all its steps: at that entry, sorting after or before it.
    if (count >= kEndsLookedAtFirst) {
        if (CompareKey(buffers, at(count - 1), indexNumber, partial, fieldCount) > 0) {
            result = kKeySortsAfter;
            return count - 1;
        }
        if (CompareKey(buffers, at(0), indexNumber, partial, fieldCount) < 0) {
            result = kKeySortsBefore;
            return 0;
        }
    }
    std::int32_t low = 0;
    std::int32_t high = count - 1;
    std::int32_t position = 0;
    std::int32_t found = -1;
    result = kKeyFound;
    while (low <= high) {
        std::int32_t mid = (low + high) / 2;
        int c = CompareKey(buffers, at(mid), indexNumber, partial, fieldCount);
        position = mid;
        result = c;
        if (c == 0) {
            if (bound == 0)
                return mid;
            found = mid;
            if (bound < 0)
                high = mid - 1;
            else
                low = mid + 1;
        } else if (c < 0) {
            high = mid - 1;
        } else {
            low = mid + 1;
        }
    }
    if (found >= 0) {
        result = kKeyFound;
        return found;
    }
    return position;
}

std::int32_t ChimTableIO::SearchKey(const FieldBuffers& buffers, std::size_t listNumber,
                                    bool partial, std::int32_t fieldCount, std::int32_t& result,
                                    std::int32_t indexNumber) {
    return SearchLive(
        listNumber,
        [&] {
            return SearchIn(lists_.List(listNumber), -1, buffers, partial, fieldCount, result, 0,
                            indexNumber);
        },
        result);
}

std::int32_t ChimTableIO::SearchKeyIn(const RecordList& list, const FieldBuffers& buffers,
                                      bool partial, std::int32_t fieldCount, std::int32_t& result,
                                      int bound, std::int32_t indexNumber) {
    return SearchIn(list, -1, buffers, partial, fieldCount, result, bound, indexNumber);
}

std::int32_t ChimTableIO::SearchKeyBound(const FieldBuffers& buffers, std::size_t listNumber,
                                         bool partial, std::int32_t fieldCount,
                                         std::int32_t& result, bool first,
                                         std::int32_t indexNumber) {
    return SearchLive(
        listNumber,
        [&] {
            return SearchIn(lists_.List(listNumber), -1, buffers, partial, fieldCount, result,
                            first ? -1 : 1, indexNumber);
        },
        result);
}

// A search of this object's lists as the file holds them: a record found that another
// program deleted since makes the lists be read again and the search run again.
template <typename Search>
std::int32_t ChimTableIO::SearchLive(std::size_t listNumber, Search search, std::int32_t& result) {
    KeepUpWithFile();
    std::int32_t position = search();
    if (result == 0 &&
        DeletedElsewhere(lists_.List(listNumber)[static_cast<std::size_t>(position)].recNo)) {
        FileLockGuard lock(io_);
        ReloadEverything();
        position = search();
    }
    return position;
}

std::int32_t ChimTableIO::InsertPosition(const RecordList& list, std::int32_t skip,
                                         const FieldBuffers& buffers, std::int32_t indexNumber) {
    std::int32_t result = 0;
    std::int32_t position = SearchIn(list, skip, buffers, false, 0, result, 0, indexNumber);
    if (result == kKeyListEmpty)
        return 0;
    return result == kKeySortsBefore ? position : position + 1;
}

}  // namespace chimdb
