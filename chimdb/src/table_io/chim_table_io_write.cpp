// Appending, rewriting and deleting records, and keeping the index chains of the file in
// order, also when a write is cut short or another program writes the same table.
#include <zlib.h>
#include <algorithm>
#include <cstring>
#include <string>

#include "chimdb/code_page.h"
#include "chimdb/database_error.h"
#include "chimdb/field_type.h"
#include "file/le_bytes.h"
#include "format/file_format.h"
#include "format/record_table.h"
#include "table_io/chim_table_io.h"
#include "table_io/optim_blob_stream.h"
#include "values/field_value_text.h"
#include "values/value_compare.h"

namespace chimdb {

namespace {

constexpr char kMsgUnique[] = "Invalid unique field value '%s'";
constexpr char kMsgRecordNotFound[] = "Record not found";
constexpr char kMsgVerifyFailed[] = "Blob data written to file '%s' does not read back unchanged";
// Rounds of write, read back and compare before a blob write is given up.
constexpr int kVerifyRounds = 3;
// As the "from" of LiveNext: the chain starts at the index's head.
constexpr std::int32_t kHeadOfChain = -1;

std::uint32_t Crc32(std::span<const std::uint8_t> bytes) {
    uLong crc = crc32(0L, Z_NULL, 0);
    std::size_t done = 0;
    while (done < bytes.size()) {
        auto chunk = static_cast<uInt>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        crc = crc32(crc, bytes.data() + done, chunk);
        done += chunk;
    }
    return static_cast<std::uint32_t>(crc);
}

std::span<const std::uint8_t> BlobContent(const FieldBufferItem& item) {
    if (item.BlobStream() == nullptr)
        return {};
    return item.BlobStream()->Content();
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Header, items and markers

void ChimTableIO::SyncRawHeader() {
    if (header_.raw.size() == static_cast<std::size_t>(format::kTableHeaderSize)) {
        header_.Serialize(header_.raw);  // in place: an append keeps it current without a copy
        return;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(format::kTableHeaderSize));
    header_.Serialize(bytes);
    header_.raw = std::move(bytes);
}

void ChimTableIO::WriteCounters() {
    std::uint8_t bytes[TableHeader::kCountersSize];
    header_.SerializeCounters(bytes);
    io_.WriteAt(io_.TableHeaderOffset(tableNumber_) + TableHeader::kCountersOffset, bytes);
    SyncRawHeader();
}

void ChimTableIO::WriteWholeHeader() {
    SyncRawHeader();
    io_.WriteAt(io_.TableHeaderOffset(tableNumber_), header_.raw);
}

void ChimTableIO::WriteResortMarkers(const std::vector<std::size_t>& indexes, std::uint8_t value) {
    if (indexes.empty())
        return;
    std::size_t first = *std::min_element(indexes.begin(), indexes.end());
    std::size_t last = *std::max_element(indexes.begin(), indexes.end());
    for (std::size_t i : indexes)
        header_.raw[kResortMarkersOffset + i] = value;
    std::span<const std::uint8_t> bytes(header_.raw.data() + kResortMarkersOffset + first,
                                        last - first + 1);
    io_.WriteAt(io_.TableHeaderOffset(tableNumber_) +
                    static_cast<std::int64_t>(kResortMarkersOffset + first),
                bytes);
}

// Re-reads the table header under the file lock. Another program that appended (or cut an
// operation short) changed it; then this table's lists are out of date and are read again.
void ChimTableIO::Refresh() {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(format::kTableHeaderSize));
    io_.ReadExactly(io_.TableHeaderOffset(tableNumber_), bytes);
    if (!listsKnown_ || bytes != header_.raw) {
        header_ = TableHeader::Parse(bytes, io_.FileSize(), io_.FileName());
        ReloadLists();
        listsKnown_ = true;
    }
    KeepStamp(HeaderStamp());
}

std::int64_t ChimTableIO::RecordItemOffset(std::int32_t recNo) const {
    auto block = static_cast<std::size_t>(recNo / format::kItemsPerBlock);
    return static_cast<std::int64_t>(recordBlocks_.at(block)) + 4 +
           static_cast<std::int64_t>(recNo % format::kItemsPerBlock) * format::kRecordTabItemSize;
}

std::int64_t ChimTableIO::IndexItemOffset(std::size_t indexNo, std::int32_t recNo) const {
    auto block = static_cast<std::size_t>(recNo / format::kItemsPerBlock);
    return static_cast<std::int64_t>(indexBlocks_.at(indexNo).at(block)) + 4 +
           static_cast<std::int64_t>(recNo % format::kItemsPerBlock) * format::kIndexTabItemSize;
}

IndexTabItem ChimTableIO::ReadIndexItem(std::size_t indexNo, std::int32_t recNo) {
    std::uint8_t bytes[format::kIndexTabItemSize];
    io_.ReadExactly(IndexItemOffset(indexNo, recNo), bytes);
    return IndexTabItem::Parse(bytes);
}

void ChimTableIO::WriteIndexItem(std::size_t indexNo, const IndexTabItem& item) {
    std::uint8_t bytes[format::kIndexTabItemSize];
    item.Serialize(bytes);
    io_.WriteAt(IndexItemOffset(indexNo, item.recordNumber), bytes);
}

// ---------------------------------------------------------------------------------------
// Rebuilding a chain

// Sort keys of every live record for an index, one per key field: the collation key of a
// text (a string or a memo-like blob; converted once here rather than at every comparison of
// the sort), the bytes of another blob, the record bytes of any other field. Every field of
// every live record is read, blobs decoded, so that a record that does not decode stops the
// rebuild before anything is written.
std::vector<std::vector<std::string>> ChimTableIO::ReadSortKeys(const IndexDefItem& index) {
    const bool caseInsensitive = (index.Options & tiCaseInsensitive) != 0;
    std::vector<std::vector<std::string>> keys(recordItems_.size());
    std::vector<std::uint8_t> value;
    try {
        for (const RecordRef& ref : lists_.List(0)) {
            const RecordTabItem& item = recordItems_[static_cast<std::size_t>(ref.recNo)];
            RecordTable::ReadRecordImage(io_.Stream(), item, recordSize_);
            auto& recordKeys = keys[static_cast<std::size_t>(ref.recNo)];
            recordKeys.resize(index.fieldNumbers.size());
            for (std::size_t f = 0; f < header_.fields.size(); ++f) {
                const std::uint8_t type = header_.fields[f].fieldType;
                bool key = std::find(index.fieldNumbers.begin(), index.fieldNumbers.end(),
                                     static_cast<std::int32_t>(f)) != index.fieldNumbers.end();
                if (!key && !IsBlobType(type))
                    continue;
                ReadFieldValue(ref.recNo, f, value);
                if (!key)
                    continue;
                std::string sortKey;
                if (IsStringType(type)) {
                    auto text = reinterpret_cast<const char*>(value.data());
                    sortKey = CollationSortKey(std::string_view(text, strnlen(text, value.size())),
                                               caseInsensitive);
                } else if (IsTextBlobType(type)) {
                    sortKey = CollationSortKey(
                        std::string_view(reinterpret_cast<const char*>(value.data()), value.size()),
                        caseInsensitive);
                } else {
                    sortKey.assign(value.begin(), value.end());
                }
                for (std::size_t k = 0; k < index.fieldNumbers.size(); ++k) {
                    if (index.fieldNumbers[k] == static_cast<std::int32_t>(f))
                        recordKeys[k] = sortKey;
                }
            }
        }
    } catch (const DatabaseError&) {
        RaiseError(format::kMsgCorrupt, io_.FileName());
    }
    return keys;
}

// Sorts the live records by their stored keys (equal keys in record-number order) and makes
// the chain and the list follow that order. The chain items are written first and the head
// last, all under the marker, so a stop in between is rebuilt again at the next open.
void ChimTableIO::RebuildIndex(std::size_t indexNo) {
    const IndexDefItem& index = header_.indexes[indexNo];
    const std::vector<std::vector<std::string>> keys = ReadSortKeys(index);
    const CompareOptions options{(index.Options & tiCaseInsensitive) != 0, false};
    auto less = [&](const RecordRef& a, const RecordRef& b) {
        const auto& ka = keys[static_cast<std::size_t>(a.recNo)];
        const auto& kb = keys[static_cast<std::size_t>(b.recNo)];
        int c = 0;
        for (std::size_t k = 0; k < index.fieldNumbers.size() && c == 0; ++k) {
            auto fieldNo = static_cast<std::size_t>(index.fieldNumbers[k]);
            std::uint8_t type = header_.fields[fieldNo].fieldType;
            if (IsStringType(type) || IsBlobType(type)) {
                int order = ka[k].compare(kb[k]);
                c = (order > 0) - (order < 0);
            } else {
                c = CompareFieldValue(type, reinterpret_cast<const std::uint8_t*>(ka[k].data()),
                                      reinterpret_cast<const std::uint8_t*>(kb[k].data()),
                                      FieldWidth(fieldNo), options);
            }
        }
        if (index.Options & tiDescending)
            c = -c;
        return c < 0;
    };
    RecordList sorted = lists_.List(0);
    std::stable_sort(sorted.begin(), sorted.end(), less);
    lists_.List(indexNo + 1) = sorted;

    if (io_.ReadOnly() || indexBlocks_[indexNo].empty())
        return;  // a reader keeps the repaired order in memory only
    WriteResortMarkers({indexNo}, kResortPending);
    for (std::size_t k = 0; k < sorted.size(); ++k) {
        std::int32_t next = k + 1 < sorted.size() ? sorted[k + 1].recNo : -1;
        WriteIndexItem(indexNo, IndexTabItem{sorted[k].recNo, next});
    }
    header_.indexes[indexNo].HeadRecord = sorted.empty() ? -1 : sorted.front().recNo;
    header_.raw[kResortMarkersOffset + indexNo] = 0;
    WriteWholeHeader();
    RenewStamp();
}

// ---------------------------------------------------------------------------------------
// Unique keys and places in the index lists

[[noreturn]] void ChimTableIO::RaiseUniqueViolation(const FieldBuffers& buffers,
                                                    std::size_t indexNo) {
    std::string text;
    const IndexDefItem& index = header_.indexes[indexNo];
    for (std::size_t k = 0; k < index.fieldNumbers.size(); ++k) {
        auto fieldNo = static_cast<std::size_t>(index.fieldNumbers[k]);
        const FieldBufferItem& item = buffers.Item(fieldNo);
        std::uint8_t type = header_.fields[fieldNo].fieldType;
        if (k > 0)
            text += ",";
        if (IsBlobType(type)) {
            auto content = BlobContent(item);
            text += FromCodePage(
                std::string_view(reinterpret_cast<const char*>(content.data()), content.size()));
        } else if (item.Data() != nullptr) {
            text +=
                FieldValueAsText(type, item.Data(), std::min(item.DataSize(), FieldWidth(fieldNo)));
        }
    }
    RaiseError(kMsgUnique, text);
}

void ChimTableIO::CheckUnique(const FieldBuffers& buffers, std::int32_t exceptRecNo) {
    for (std::size_t i = 0; i < header_.indexes.size(); ++i) {
        if ((header_.indexes[i].Options & (tiPrimary | tiUnique)) == 0)
            continue;
        const RecordList& list = lists_.List(i + 1);
        std::int32_t skip = exceptRecNo < 0 ? -1 : lists_.PositionOf(i + 1, exceptRecNo);
        std::int32_t result = 0;
        SearchIn(list, skip, buffers, false, 0, result, 0, static_cast<std::int32_t>(i));
        if (result == 0)
            RaiseUniqueViolation(buffers, i);
    }
}

// The next record of the chain after from (kHeadOfChain: the head) that this object still
// counts as live, passing over records deleted here and the record skipRecNo.
std::int32_t ChimTableIO::LiveNext(std::size_t indexNo, std::int32_t from, std::int32_t skipRecNo) {
    std::int32_t record =
        from == kHeadOfChain
            ? (header_.RecordCount == 0 ? kEndOfChain : header_.indexes[indexNo].HeadRecord)
            : ReadIndexItem(indexNo, from).nextRecord;
    for (std::int32_t steps = 0; record != kEndOfChain; ++steps) {
        if (record < 0 || record >= header_.RecordCount || steps > header_.RecordCount)
            return kLeftTheRecords;
        if (record != skipRecNo && !recordItems_[static_cast<std::size_t>(record)].IsDeleted())
            return record;
        record = ReadIndexItem(indexNo, record).nextRecord;
    }
    return kEndOfChain;
}

// Whether the file's chain agrees with this object's list around the place where the record
// goes (and, for a modify, where it leaves): neighbours adjacent in the chain and the key
// between their stored keys. Another program may have moved records without changing the
// table header; then the list is out of date.
bool ChimTableIO::PlaceAgreesWithFile(const FieldBuffers& buffers, std::size_t indexNo,
                                      const IndexPlace& place, std::int32_t recNo) {
    const RecordList& list = lists_.List(indexNo + 1);
    auto indexNumber = static_cast<std::int32_t>(indexNo);
    auto without = [&](std::int32_t v) -> std::int32_t {
        std::int32_t real = place.oldPosition >= 0 && v >= place.oldPosition ? v + 1 : v;
        return list[static_cast<std::size_t>(real)].recNo;
    };
    auto count = static_cast<std::int32_t>(list.size()) - (place.oldPosition >= 0 ? 1 : 0);
    if (place.oldPosition >= 0) {
        std::int32_t before = place.oldPosition > 0
                                  ? list[static_cast<std::size_t>(place.oldPosition - 1)].recNo
                                  : kHeadOfChain;
        if (LiveNext(indexNo, before, -1) != recNo)
            return false;
    }
    std::int32_t q = place.insertPosition;
    std::int32_t pred = q > 0 ? without(q - 1) : kHeadOfChain;
    std::int32_t succ = q < count ? without(q) : kEndOfChain;
    if (LiveNext(indexNo, pred, recNo) != succ)
        return false;
    bool unique = (header_.indexes[indexNo].Options & (tiPrimary | tiUnique)) != 0;
    if (pred != kHeadOfChain) {
        int c = CompareKey(buffers, pred, indexNumber, false, 0);
        if (c < 0 || (unique && c == 0))
            return false;
    }
    if (succ != kEndOfChain) {
        int c = CompareKey(buffers, succ, indexNumber, false, 0);
        if (c > 0 || (unique && c == 0))
            return false;
    }
    return true;
}

// Where the record with these key values goes in every index. When another program may
// write the file, the places are checked against the chains on disk; a disagreement reloads
// the lists, and one that persists after a reload rebuilds that chain.
std::vector<ChimTableIO::IndexPlace> ChimTableIO::PlaceRecord(const FieldBuffers& buffers,
                                                              std::int32_t recNo) {
    std::vector<IndexPlace> places(header_.indexes.size());
    for (int attempt = 0;; ++attempt) {
        bool agree = true;
        for (std::size_t i = 0; i < places.size() && agree; ++i) {
            IndexPlace& place = places[i];
            const RecordList& list = lists_.List(i + 1);
            place.oldPosition = recNo < 0 ? -1 : lists_.PositionOf(i + 1, recNo);
            place.insertPosition =
                InsertPosition(list, place.oldPosition, buffers, static_cast<std::int32_t>(i));
            place.target =
                place.insertPosition +
                (place.oldPosition >= 0 && place.oldPosition < place.insertPosition ? 1 : 0);
            if (io_.SoleWriter())
                continue;
            if (!PlaceAgreesWithFile(buffers, i, place, recNo)) {
                agree = false;
                if (attempt == 0) {
                    ReloadLists();
                } else {
                    if (attempt > 2)
                        RaiseError(format::kMsgCorrupt, io_.FileName());
                    RebuildIndex(i);
                    ++listsGeneration_;
                }
            }
        }
        if (agree)
            return places;
        // The lists changed: the unique check must see the current ones.
        CheckUnique(buffers, recNo);
        if (recNo >= 0 && FindLive(recNo) < 0)
            RaiseError(kMsgRecordNotFound);
    }
}

std::int32_t ChimTableIO::FindLive(std::int32_t recNo) const {
    return lists_.PhysicalPosition(recNo);
}

// Before rewriting or deleting a record another program may have deleted.
void ChimTableIO::RequireLiveInFile(std::int32_t recNo) {
    if (io_.SoleWriter())
        return;
    std::uint8_t bytes[format::kRecordTabItemSize];
    io_.ReadExactly(RecordItemOffset(recNo), bytes);
    if (RecordTabItem::Parse(bytes).IsDeleted()) {
        ReloadLists();
        RaiseError(kMsgRecordNotFound);
    }
}

// ---------------------------------------------------------------------------------------
// Field values into the record image and blobs into the file

void ChimTableIO::EncodePlainField(const FieldBufferItem& item, std::size_t fieldNo,
                                   std::vector<std::uint8_t>& image,
                                   std::vector<std::uint8_t>& plain) {
    auto width = static_cast<std::size_t>(FieldWidth(fieldNo));
    std::uint8_t* slot = image.data() + fieldOffsets_[fieldNo];
    std::memset(slot, 0, width);
    if (item.Data() != nullptr && item.DataSize() > 0) {
        auto size = std::min(width, static_cast<std::size_t>(item.DataSize()));
        if (IsStringType(header_.fields[fieldNo].fieldType)) {
            // Cut to the width less the terminator, never inside a double-byte character.
            auto text = reinterpret_cast<const char*>(item.Data());
            std::string_view value(text, strnlen(text, size));
            value = CutToWidth(value, width - 1);
            std::memcpy(slot, value.data(), value.size());
        } else {
            std::memcpy(slot, item.Data(), size);
        }
    }
    std::memcpy(plain.data() + fieldOffsets_[fieldNo], slot, width);
    if (IsStringType(header_.fields[fieldNo].fieldType) && FieldEncrypted(fieldNo))
        EncodeText(fieldNo, slot, width);
    else
        io_.EncodeBuffer(slot, slot, FieldEncrypted(fieldNo), width);
}

// Every field value is enciphered from the start of the cipher, so a text's stored form
// depends on its plain form alone; the texts of a table repeat (sound files, plan names,
// descriptions of a batch), and a wide one costs a block encryption per block of its width.
void ChimTableIO::EncodeText(std::size_t fieldNo, std::uint8_t* slot, std::size_t width) {
    constexpr std::size_t kTextsRemembered = 128;
    if (textsEnciphered_.size() != header_.fields.size())
        textsEnciphered_.assign(header_.fields.size(), {});
    auto& remembered = textsEnciphered_[fieldNo];
    std::string plain(reinterpret_cast<const char*>(slot), width);
    if (auto known = remembered.find(plain); known != remembered.end()) {
        std::memcpy(slot, known->second.data(), width);
        return;
    }
    io_.EncodeBuffer(slot, slot, true, width);
    if (remembered.size() >= kTextsRemembered)
        remembered.clear();
    remembered.emplace(std::move(plain), std::string(reinterpret_cast<const char*>(slot), width));
}

// Writes the stored bytes and then checks them: read back, decode and compare CRC-32s with
// the plain content; a mismatch writes again, at most kVerifyRounds times in all.
void ChimTableIO::WriteVerified(std::int64_t offset, const std::vector<std::uint8_t>& stored,
                                std::span<const std::uint8_t> plain, std::size_t fieldNo) {
    io_.WriteAt(offset, stored);
    if (!io_.VerifyWrites())
        return;
    const std::uint32_t expected = Crc32(plain);
    std::vector<std::uint8_t> readBack(stored.size());
    std::vector<std::uint8_t> decoded;
    std::vector<std::uint8_t> again = stored;
    for (int round = 1;; ++round) {
        decoded.clear();
        if (io_.ReadAt(offset, readBack) == readBack.size()) {
            try {
                io_.DecodeStream(readBack, decoded, FieldCompressed(fieldNo),
                                 FieldEncrypted(fieldNo));
            } catch (const std::exception&) {
                decoded.clear();  // counts as a mismatch unless the content is empty
            }
            if (Crc32(decoded) == expected)
                return;
        }
        if (round >= kVerifyRounds)
            RaiseError(kMsgVerifyFailed, io_.FileName());
        io_.EncodeStream(plain, again, FieldCompressed(fieldNo), FieldEncrypted(fieldNo));
        if (again.size() != stored.size())
            RaiseError(kMsgVerifyFailed, io_.FileName());
        io_.WriteAt(offset, again);
    }
}

// Writes a blob's stored bytes and its padding at offset; allocation is the space the
// descriptor will reserve there (0: a fresh allocation for the new size).
BlobDescriptor ChimTableIO::WriteBlob(const FieldBufferItem& item, std::size_t fieldNo,
                                      std::int64_t offset, std::int32_t allocation) {
    std::span<const std::uint8_t> plain = BlobContent(item);
    std::vector<std::uint8_t> stored;
    io_.EncodeStream(plain, stored, FieldCompressed(fieldNo), FieldEncrypted(fieldNo));
    auto size = static_cast<std::int32_t>(stored.size());
    // The stored bytes and their padding go out as one write.
    std::vector<std::uint8_t> bytes = stored;
    bytes.resize(stored.size() + static_cast<std::size_t>(64 - size % 64), 0);
    if (io_.VerifyWrites()) {
        WriteVerified(offset, stored, plain, fieldNo);
        io_.WriteAt(offset + size, std::span(bytes).subspan(stored.size()));
    } else {
        io_.WriteAt(offset, bytes);
    }
    BlobDescriptor descriptor;
    descriptor.dataOffset = static_cast<std::int32_t>(offset);
    descriptor.dataSize = size;
    descriptor.allocatedSize = allocation > 0 ? allocation : BlobDescriptor::AllocationFor(size);
    return descriptor;
}

// ---------------------------------------------------------------------------------------
// The opening of modify and delete

std::int32_t ChimTableIO::LockLiveRecord(std::int32_t position,
                                         std::optional<FileLockGuard>& lock) {
    const RecordList& physicalBefore = lists_.List(0);
    if (position < 0 || position >= static_cast<std::int32_t>(physicalBefore.size()))
        RaiseError("List index out of bounds (%s)", std::to_string(position));
    const std::int32_t recNo = physicalBefore[static_cast<std::size_t>(position)].recNo;
    lock.emplace(io_);
    io_.RequireWritable();
    Refresh();
    if (FindLive(recNo) < 0)
        RaiseError(kMsgRecordNotFound);
    RequireLiveInFile(recNo);
    return recNo;
}

// ---------------------------------------------------------------------------------------
// Append

// Write order, so that a stop after any write leaves a file whose readers see every earlier
// record intact and the new one either whole or not at all: blob bytes and the record image
// (unreachable yet), then the new record table block or item and the new index blocks or
// items, then the links that make the record reachable (block links, the predecessor's next,
// under the re-sort marks of those indexes), and the table header last (its counters, or the
// whole header when a head or the first index block changes or marks are to be cleared). The
// finished bytes are those of the plain step order.
void ChimTableIO::AppendRecord(FieldBuffers& buffers, bool flush, const RecordNotifyEvent& notify) {
    AppendInLock(buffers, flush, notify);
    io_.AfterBatchOperation();
}

void ChimTableIO::AppendInLock(FieldBuffers& buffers, bool flush, const RecordNotifyEvent& notify) {
    FileLockGuard lock(io_);
    io_.RequireWritable();
    Refresh();
    CheckUnique(buffers, -1);
    const std::int32_t counter = TakeAutoIncValue(buffers);
    const std::vector<IndexPlace> places = PlaceRecord(buffers, -1);
    ForgetOnFailure forget{*this};

    AppendSpace space = PlanAppendSpace();
    std::vector<std::uint8_t> plain;
    WriteNewRecordImage(buffers, space, plain);
    const RecordTabItem recordItem = WriteNewRecordItem(space);
    WriteNewIndexItems(places, space);
    const bool wholeHeader = LinkNewRecord(places, space);
    WriteHeaderAfterAppend(space, counter, wholeHeader);
    AddNewRecordToLists(places, space, recordItem, notify);
    KeepWritten(space.recNo, plain);
    RenewStamp();
    if (flush)
        io_.FlushFile();
}

// Auto-increment: a zero value gets the next number; a larger one raises the counter. The
// counter the header takes when the record is in.
std::int32_t ChimTableIO::TakeAutoIncValue(FieldBuffers& buffers) {
    std::int32_t counter = header_.AutoIncCounter;
    if (autoIncField_ >= 0) {
        FieldBufferItem& item = buffers.Item(static_cast<std::size_t>(autoIncField_));
        if (item.Data() != nullptr && item.DataSize() >= 4) {
            std::int32_t value = le::GetI32(std::span(item.Data(), 4), 0);
            if (value == 0) {
                value = ++counter;
                le::PutI32(std::span(item.Data(), 4), 0, value);
            } else if (value > counter) {
                counter = value;
            }
        }
    }
    return counter;
}

// The new record goes at the end of the file, after a new record table block when the last
// one is full.
ChimTableIO::AppendSpace ChimTableIO::PlanAppendSpace() {
    AppendSpace space;
    space.recNo = header_.RecordCount;
    space.newBlock = space.recNo % format::kItemsPerBlock == 0;
    space.recordBlock = io_.FileSize();
    space.dataOffset =
        space.newBlock ? space.recordBlock + format::kRecordTabBlockSize : space.recordBlock;
    space.end = space.dataOffset + recordSize_;
    return space;
}

// Blob bytes, then the record image.
void ChimTableIO::WriteNewRecordImage(const FieldBuffers& buffers, AppendSpace& space,
                                      std::vector<std::uint8_t>& plain) {
    std::vector<std::uint8_t> image(static_cast<std::size_t>(recordSize_), 0);
    plain.assign(image.size(), 0);
    for (std::size_t f = 0; f < header_.fields.size(); ++f) {
        const FieldBufferItem& item = buffers.Item(f);
        if (IsBlobType(header_.fields[f].fieldType)) {
            BlobDescriptor descriptor = WriteBlob(item, f, space.end, 0);
            space.end += descriptor.allocatedSize;
            for (std::vector<std::uint8_t>* target : {&image, &plain})
                descriptor.Serialize(std::span(*target).subspan(
                    static_cast<std::size_t>(fieldOffsets_[f]), format::kBlobDescriptorBytes));
        } else {
            EncodePlainField(item, f, image, plain);
        }
    }
    io_.WriteAt(space.dataOffset, image);
}

// The record table item (in a new block, or in its slot of the last block).
RecordTabItem ChimTableIO::WriteNewRecordItem(const AppendSpace& space) {
    RecordTabItem recordItem{static_cast<std::int32_t>(space.dataOffset), 0};
    if (space.newBlock) {
        std::vector<std::uint8_t> block(static_cast<std::size_t>(format::kRecordTabBlockSize), 0);
        recordItem.Serialize(std::span(block).subspan(4, format::kRecordTabItemSize));
        io_.WriteAt(space.recordBlock, block);
        recordBlocks_.push_back(static_cast<std::int32_t>(space.recordBlock));
    } else {
        std::uint8_t bytes[format::kRecordTabItemSize];
        recordItem.Serialize(bytes);
        io_.WriteAt(RecordItemOffset(space.recNo), bytes);
    }
    return recordItem;
}

// Index items of the new record, each with the link it will take over.
void ChimTableIO::WriteNewIndexItems(const std::vector<IndexPlace>& places, AppendSpace& space) {
    const std::int32_t n = space.recNo;
    for (std::size_t i = 0; i < places.size(); ++i) {
        std::int32_t p = places[i].insertPosition;
        const RecordList& list = lists_.List(i + 1);
        std::int32_t next = kEndOfChain;
        if (n > 0)
            next = p > 0 ? ReadIndexItem(i, list[static_cast<std::size_t>(p - 1)].recNo).nextRecord
                         : header_.indexes[i].HeadRecord;
        const IndexTabItem newItem{n, next};
        if (space.newBlock) {
            std::vector<std::uint8_t> block(static_cast<std::size_t>(format::kIndexTabBlockSize),
                                            0);
            newItem.Serialize(std::span(block).subspan(4, format::kIndexTabItemSize));
            io_.WriteAt(space.end, block);
            indexBlocks_[i].push_back(static_cast<std::int32_t>(space.end));
            space.end += format::kIndexTabBlockSize;
        } else {
            WriteIndexItem(i, newItem);
        }
    }
}

// The links that make the record reachable. True when a head or a first index block
// changed, so that the whole table header must be written.
bool ChimTableIO::LinkNewRecord(const std::vector<IndexPlace>& places, const AppendSpace& space) {
    const std::int32_t n = space.recNo;
    bool wholeHeader = false;
    if (space.newBlock && n > 0) {
        std::uint8_t link[4];
        le::PutI32(link, 0, static_cast<std::int32_t>(space.recordBlock));
        io_.WriteAt(recordBlocks_[recordBlocks_.size() - 2], link);
        for (std::size_t i = 0; i < places.size(); ++i) {
            le::PutI32(link, 0, indexBlocks_[i].back());
            io_.WriteAt(indexBlocks_[i][indexBlocks_[i].size() - 2], link);
        }
    }
    // A predecessor's link to the new record comes before the header counts it: between
    // the two, the chain holds a record the table does not have. The indexes so linked are
    // marked first and cleared by the header write, so that a stop in between rebuilds them.
    std::vector<std::size_t> linked;
    for (std::size_t i = 0; i < places.size(); ++i) {
        if (n > 0 && places[i].insertPosition > 0)
            linked.push_back(i);
    }
    WriteResortMarkers(linked, kResortPending);
    for (std::size_t i = 0; i < places.size(); ++i) {
        IndexDefItem& index = header_.indexes[i];
        if (n == 0) {
            index.IndexTabOffset = indexBlocks_[i].front();
            wholeHeader = true;  // HeadRecord stays 0: item (0, -1) is the whole chain
        } else if (places[i].insertPosition > 0) {
            const RecordList& list = lists_.List(i + 1);
            std::int32_t pred = list[static_cast<std::size_t>(places[i].insertPosition - 1)].recNo;
            WriteIndexItem(i, IndexTabItem{pred, n});
        } else {
            index.HeadRecord = n;
            wholeHeader = true;
        }
    }
    // Cleared in memory: the header write that counts the record clears them in the file.
    for (std::size_t i : linked)
        header_.raw[kResortMarkersOffset + i] = 0;
    return wholeHeader || !linked.empty();
}

// The header last.
void ChimTableIO::WriteHeaderAfterAppend(const AppendSpace& space, std::int32_t counter,
                                         bool wholeHeader) {
    if (space.recNo == 0)
        header_.RecTabOffset = static_cast<std::int32_t>(space.recordBlock);
    header_.RecordCount = space.recNo + 1;
    header_.AutoIncCounter = counter;
    if (wholeHeader)
        WriteWholeHeader();
    else
        WriteCounters();
}

// The lists, each after its dataset was told.
void ChimTableIO::AddNewRecordToLists(const std::vector<IndexPlace>& places,
                                      const AppendSpace& space, const RecordTabItem& recordItem,
                                      const RecordNotifyEvent& notify) {
    recordItems_.push_back(recordItem);
    RecordRef ref{static_cast<std::int32_t>(space.dataOffset), space.recNo};
    RecordList& physical = lists_.List(0);
    if (notify)
        notify(RecordNotify{RecordNotify::Kind::Insert, -1,
                            static_cast<std::int32_t>(physical.size()), -1, ref});
    physical.push_back(ref);
    for (std::size_t i = 0; i < places.size(); ++i) {
        RecordList& list = lists_.List(i + 1);
        std::int32_t p = places[i].insertPosition;
        if (notify)
            notify(
                RecordNotify{RecordNotify::Kind::Insert, static_cast<std::int32_t>(i), p, -1, ref});
        list.insert(list.begin() + p, ref);
    }
    ++listsVersion_;
}

// ---------------------------------------------------------------------------------------
// Modify

// Order: a raised auto-increment counter first (a stop later must never leave a record
// whose number the counter would hand out again), blobs that move to new space, the resort
// markers of the indexes whose chain changes, blobs rewritten in place and the record image,
// the relinks, and the markers cleared. A stop between marker set and clear makes the next
// open rebuild those chains from the stored keys.
void ChimTableIO::ModifyRecord(FieldBuffers& buffers, std::int32_t position,
                               const RecordNotifyEvent& notify, bool flush) {
    ModifyInLock(buffers, position, notify, flush);
    io_.AfterBatchOperation();
}

void ChimTableIO::ModifyInLock(FieldBuffers& buffers, std::int32_t position,
                               const RecordNotifyEvent& notify, bool flush) {
    std::optional<FileLockGuard> lock;
    const std::int32_t recNo = LockLiveRecord(position, lock);
    CheckUnique(buffers, recNo);
    const std::vector<IndexPlace> places = PlaceRecord(buffers, recNo);

    const std::int64_t dataOffset = recordItems_[static_cast<std::size_t>(recNo)].dataOffset;
    std::vector<std::uint8_t> image = ReadStoredImage(dataOffset);
    ForgetOnFailure forget{*this};
    std::vector<std::uint8_t> plain;
    DecodeImage(KeptRecord(RecordRef{static_cast<std::int32_t>(dataOffset), recNo}), plain);
    RaiseAutoIncCounter(buffers);
    const std::vector<std::size_t> moving = MovingIndexes(places);
    WriteChangedImage(buffers, dataOffset, image, moving, plain);
    KeepWritten(recNo, plain);
    RelinkMovedRecord(places, RecordRef{static_cast<std::int32_t>(dataOffset), recNo}, notify);
    WriteResortMarkers(moving, 0);
    RenewStamp();
    if (flush)
        io_.FlushFile();
}

std::vector<std::uint8_t> ChimTableIO::ReadStoredImage(std::int64_t dataOffset) {
    std::vector<std::uint8_t> image(static_cast<std::size_t>(recordSize_));
    std::int64_t endOfRecord = dataOffset + recordSize_;
    if (dataOffset < format::kPrologueEnd || endOfRecord > io_.FileSize())
        RaiseError(format::kMsgCorrupt, io_.FileName());
    io_.ReadExactly(dataOffset, image);
    return image;
}

// The auto-increment counter, written at once when the new value is above it.
void ChimTableIO::RaiseAutoIncCounter(const FieldBuffers& buffers) {
    if (autoIncField_ < 0)
        return;
    const FieldBufferItem& item = buffers.Item(static_cast<std::size_t>(autoIncField_));
    if (item.Active() && item.Data() != nullptr && item.DataSize() >= 4) {
        std::int32_t value = le::GetI32(std::span(item.Data(), 4), 0);
        if (value > header_.AutoIncCounter) {
            header_.AutoIncCounter = value;
            std::uint8_t bytes[4];
            le::PutI32(bytes, 0, value);
            io_.WriteAt(io_.TableHeaderOffset(tableNumber_) + TableHeader::kAutoIncCounterOffset,
                        bytes);
            SyncRawHeader();
        }
    }
}

std::vector<std::size_t> ChimTableIO::MovingIndexes(const std::vector<IndexPlace>& places) {
    std::vector<std::size_t> moving;
    for (std::size_t i = 0; i < places.size(); ++i) {
        if (places[i].target != places[i].oldPosition)
            moving.push_back(i);
    }
    return moving;
}

// Blobs, then the record image. The resort markers are set before the first write that
// reuses space of the old record (a blob rewritten in place), or else before the image.
void ChimTableIO::WriteChangedImage(const FieldBuffers& buffers, std::int64_t dataOffset,
                                    std::vector<std::uint8_t>& image,
                                    const std::vector<std::size_t>& moving,
                                    std::vector<std::uint8_t>& plain) {
    // The end of the file as the blobs of this record grow it.
    std::int64_t end = io_.FileSize();
    bool markersSet = false;
    auto setMarkers = [&] {
        if (!markersSet)
            WriteResortMarkers(moving, kResortPending);
        markersSet = true;
    };
    for (std::size_t f = 0; f < header_.fields.size(); ++f) {
        const FieldBufferItem& item = buffers.Item(f);
        if (!item.Active())
            continue;
        std::uint8_t type = header_.fields[f].fieldType;
        auto slot = std::span(image).subspan(static_cast<std::size_t>(fieldOffsets_[f]),
                                             static_cast<std::size_t>(FieldWidth(f)));
        if (IsBlobType(type)) {
            BlobDescriptor old = BlobDescriptor::Parse(slot);
            std::vector<std::uint8_t> probe;
            io_.EncodeStream(BlobContent(item), probe, FieldCompressed(f), FieldEncrypted(f));
            auto size = static_cast<std::int32_t>(probe.size());
            BlobDescriptor written;
            if (size < old.allocatedSize) {
                setMarkers();
                written = WriteBlob(item, f, old.dataOffset, old.allocatedSize);
            } else if (static_cast<std::int64_t>(old.dataOffset) + old.allocatedSize == end &&
                       old.dataOffset >= format::kPrologueEnd) {
                setMarkers();
                written = WriteBlob(item, f, old.dataOffset, 0);
                end = static_cast<std::int64_t>(old.dataOffset) + written.allocatedSize;
            } else {
                written = WriteBlob(item, f, end, 0);
                end += written.allocatedSize;
            }
            written.reserved1 = old.reserved1;
            written.reserved2 = old.reserved2;
            written.Serialize(slot);
            std::copy(slot.begin(), slot.end(), plain.begin() + fieldOffsets_[f]);
        } else if (type == static_cast<std::uint8_t>(FieldType::ftAutoInc)) {
            if (item.Data() != nullptr && item.DataSize() >= 4 &&
                le::GetI32(std::span(item.Data(), 4), 0) != 0)
                EncodePlainField(item, f, image, plain);
        } else {
            EncodePlainField(item, f, image, plain);
        }
    }
    setMarkers();
    io_.WriteAt(dataOffset, image);
}

// Relinks every index whose order changed: out of its old place, into its target.
void ChimTableIO::RelinkMovedRecord(const std::vector<IndexPlace>& places, const RecordRef& ref,
                                    const RecordNotifyEvent& notify) {
    const std::int32_t recNo = ref.recNo;
    for (std::size_t i = 0; i < places.size(); ++i) {
        const IndexPlace& place = places[i];
        RecordList& list = lists_.List(i + 1);
        if (place.target == place.oldPosition)
            continue;
        if (notify)
            notify(RecordNotify{RecordNotify::Kind::Move, static_cast<std::int32_t>(i),
                                place.oldPosition, place.target, ref});
        IndexDefItem& index = header_.indexes[i];
        // Unlink.
        std::int32_t next = ReadIndexItem(i, recNo).nextRecord;
        if (place.oldPosition > 0) {
            std::int32_t pred = list[static_cast<std::size_t>(place.oldPosition - 1)].recNo;
            WriteIndexItem(i, IndexTabItem{pred, next});
        } else {
            index.HeadRecord = next;
            WriteWholeHeader();
        }
        // Link at the target.
        if (place.target > 0) {
            std::int32_t pred = list[static_cast<std::size_t>(place.target - 1)].recNo;
            WriteIndexItem(i, IndexTabItem{recNo, ReadIndexItem(i, pred).nextRecord});
            WriteIndexItem(i, IndexTabItem{pred, recNo});
        } else {
            WriteIndexItem(i, IndexTabItem{recNo, index.HeadRecord});
            index.HeadRecord = recNo;
            WriteWholeHeader();
        }
        list.erase(list.begin() + place.oldPosition);
        list.insert(list.begin() + place.insertPosition, ref);
        ++listsVersion_;
    }
}

// ---------------------------------------------------------------------------------------
// Delete

// One byte: the record, its blobs and its place in every chain stay.
void ChimTableIO::DeleteRecord(std::int32_t position, bool flush) {
    DeleteInLock(position, flush);
    io_.AfterBatchOperation();
}

void ChimTableIO::DeleteInLock(std::int32_t position, bool flush) {
    std::optional<FileLockGuard> lock;
    const std::int32_t recNo = LockLiveRecord(position, lock);
    // One byte and no stamp: readers look at the deleted byte of the records they read.
    ForgetOnFailure forget{*this};
    const std::uint8_t deleted = 1;
    io_.WriteAt(RecordItemOffset(recNo) + 4, std::span(&deleted, 1));
    recordItems_[static_cast<std::size_t>(recNo)].deleted = 1;
    for (std::size_t l = 0; l < lists_.Count(); ++l) {
        RecordList& list = lists_.List(l);
        std::int32_t at = lists_.PositionOf(l, recNo);
        if (at >= 0)
            list.erase(list.begin() + at);
    }
    ++listsVersion_;
    if (flush)
        io_.FlushFile();
}

}  // namespace chimdb
