#pragma once

#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "filter/stored_fields.h"
#include "format/blob_descriptor.h"
#include "format/index_tab_item.h"
#include "format/record_tab_item.h"
#include "format/store_marks.h"
#include "format/table_header.h"
#include "table_io/chim_db_file_io.h"
#include "table_io/chim_field_def.h"
#include "table_io/chim_index_def.h"
#include "table_io/compact_record_layout.h"
#include "table_io/field_buffers.h"
#include "table_io/record_cache.h"
#include "table_io/record_lists.h"
#include "values/value_compare.h"

namespace chimdb {

// What a dataset is told before a table I/O object changes one of its lists, so that it can
// keep its own copy of the current list in step.
struct RecordNotify {
    enum class Kind { Insert, Move };
    Kind kind = Kind::Insert;
    // Index number; -1 for list 0.
    std::int32_t indexNumber = -1;
    // Insert: the insert position. Move: the old position.
    std::int32_t position = 0;
    // Move: the target position in the list that still holds the record.
    std::int32_t newPosition = -1;
    // Insert: the new entry.
    RecordRef entry;
};
using RecordNotifyEvent = std::function<void(const RecordNotify&)>;

// One table of an open database, shared by every dataset open on it: header, definitions,
// record table and the record lists (list 0 in record-number order, list i + 1 in the key
// order of index i). Reads, appends, rewrites and deletes records and keeps the index chains
// of the file in order.
//
// Every operation that writes holds the file lock, first re-reads the table header and, when
// another program changed the table, reloads the lists (ListsGeneration() then grows). The
// writes of an append or a modify are ordered so that a stop after any of them leaves a file
// that opens with every earlier record intact. A write that relinks an index chain marks it
// first; a chain found marked at open is rebuilt by sorting the live records (when every one
// of them decodes). A chain broken without the mark is damage: "corrupt", nothing written.
class ChimTableIO {
  public:
    // tableName in UTF-8. The file I/O must outlive this object.
    ChimTableIO(ChimDBFileIO& fileIO, std::string tableName);

    // The database file under this table, e.g. to hold its lock over many reads.
    ChimDBFileIO& FileIO() const { return io_; }

    // Counted: the first open loads the table ("Table '%s' not found"), the last close drops
    // definitions and lists. The count never goes below 0.
    void OpenTable();
    void CloseTable();
    int OpenCount() const { return openCount_; }

    const std::string& TableName() const { return tableName_; }
    const ChimFieldDefs& FieldDefs() const { return fieldDefs_; }
    const ChimIndexDefs& IndexDefs() const { return indexDefs_; }
    std::int32_t RecordSize() const { return recordSize_; }
    const std::vector<std::int32_t>& FieldOffsets() const { return fieldOffsets_; }
    // Field width in the record.
    std::int32_t FieldWidth(std::size_t fieldNo) const;
    // Number of the first auto-increment field, -1 when none.
    std::int32_t AutoIncField() const { return autoIncField_; }
    const TableHeader& Header() const { return header_; }
    const std::vector<RecordTabItem>& RecordTabItems() const { return recordItems_; }

    // List 0 is physical order, list i + 1 belongs to index i.
    const RecordLists& Lists() const { return lists_; }
    const RecordList& List(std::size_t listNumber) const { return lists_.List(listNumber); }
    // Grows whenever the lists were reloaded from the file because another program changed
    // the table; a dataset that holds positions re-reads them when this changed.
    std::int64_t ListsGeneration() const { return listsGeneration_; }
    // Grows at every change of the lists (append, a record moving in an index, delete,
    // reload), whoever made it; a dataset whose private copy of a list was taken at the same
    // count knows that its copy equals the list.
    std::int64_t ListsVersion() const { return listsVersion_; }
    // Under the file lock: re-reads the table header and reloads the lists when another
    // program changed the table.
    void SyncWithFile();
    // Under the file lock: reads the header and every list again, also when the header is
    // as it was (another program's delete leaves it so).
    void ReloadFromFile();
    // Under the file lock: whether the header and the lists are those of the file (the
    // header unchanged, no record deleted that the lists hold).
    bool MatchesFile();

    // The table's change stamp. Every write of the store renews it (to a random value, so
    // that a file put back from a copy never repeats one); a write by another program that
    // did not renew it still shows in the table header checked before every write.
    using ChangeStamp = std::array<std::uint8_t, 8>;

    // Deciphered records are kept for reads and key comparisons, at most this many bytes
    // per table (0 keeps none); the default holds for tables loaded after it is set.
    void SetKeptRecordLimit(std::size_t bytes) { kept_.SetLimit(bytes); }
    std::size_t KeptRecordLimit() const { return kept_.Limit(); }
    std::size_t KeptRecordBytes() const { return kept_.MemoryUsed(); }
    std::size_t KeptRecordCount() const { return kept_.Count(); }
    static void SetDefaultKeptRecordLimit(std::size_t bytes);
    static std::size_t DefaultKeptRecordLimit();
    // Whether a record number is deleted as far as this object's lists know.
    bool IsDeletedRecord(std::int32_t recNo) const;

    // Number of the first index with tiPrimary, -1 when none.
    std::int32_t PrimaryIndex() const;
    // The position of the same record in another list; -1 when position is out of range or the
    // record is not in that list.
    std::int32_t MapPosition(std::size_t fromList, std::int32_t position, std::size_t toList) const;

    // Fills the active items of buffers from the record at a position of a list. Blob streams
    // are pointed at their stored blob and load on first use.
    void ReadRecord(FieldBuffers& buffers, std::size_t listNumber, std::int32_t position);
    // The same for a list entry that a dataset keeps in its own copy of a list.
    void ReadRecordAt(FieldBuffers& buffers, const RecordRef& ref);
    // Appends a record; raises "Invalid unique field value '%s'" (nothing written) when a
    // unique or primary key exists. A zero auto-increment value is replaced by the next one.
    void AppendRecord(FieldBuffers& buffers, bool flush, const RecordNotifyEvent& notify = {});
    // Rewrites the record at a position of list 0 and re-sorts it in every index.
    void ModifyRecord(FieldBuffers& buffers, std::int32_t position,
                      const RecordNotifyEvent& notify = {}, bool flush = false);
    // Marks the record at a position of list 0 deleted and drops it from every list.
    void DeleteRecord(std::int32_t position, bool flush = false);

    // What a key search leaves in its result: the key found at the returned position, the key
    // sorting before or after the entry there, or nothing to search.
    static constexpr std::int32_t kKeyFound = 0;
    static constexpr std::int32_t kKeySortsBefore = -1;
    static constexpr std::int32_t kKeySortsAfter = 1;
    static constexpr std::int32_t kKeyListEmpty = -2;

    // Binary search for the key held in buffers in an index list (listNumber = index + 1),
    // with the rules of index indexNumber; result as above. fieldCount 0 compares all key
    // fields, n the first n.
    std::int32_t SearchKey(const FieldBuffers& buffers, std::size_t listNumber, bool partial,
                           std::int32_t fieldCount, std::int32_t& result, std::int32_t indexNumber);
    // SearchKey over a dataset's own copy of an index list (or a cut of it). bound 0 stops at
    // the first equal probe, -1 goes on to the first equal entry, 1 to the last.
    std::int32_t SearchKeyIn(const RecordList& list, const FieldBuffers& buffers, bool partial,
                             std::int32_t fieldCount, std::int32_t& result, int bound,
                             std::int32_t indexNumber);
    // As SearchKey, but on equality goes on to the first (first set) or last equal entry.
    std::int32_t SearchKeyBound(const FieldBuffers& buffers, std::size_t listNumber, bool partial,
                                std::int32_t fieldCount, std::int32_t& result, bool first,
                                std::int32_t indexNumber);
    // Compares the key in buffers with the stored key of record recNo: -1, 0, 1 (negated for
    // tiDescending).
    int CompareKey(const FieldBuffers& buffers, std::int32_t recNo, std::int32_t indexNumber,
                   bool partial, std::int32_t fieldCount);
    // Compares the values in buffers of the given fields, in turn, with the stored values of
    // record recNo by the store's comparison with options (no index rules): -1, 0, 1 at the
    // first field that differs.
    int CompareFields(const FieldBuffers& buffers, std::int32_t recNo,
                      std::span<const std::int32_t> fieldNumbers, CompareOptions options);
    // The fields of a record where they are kept (read now when they are not), for a filter
    // pass; valid until the next record is read.
    class KeptFields : public StoredFields {
      public:
        KeptFields(const CompactRecordLayout& layout, const std::uint8_t* record)
            : layout_(layout), record_(record) {}
        std::span<const std::uint8_t> Field(std::size_t fieldNo) const override {
            return layout_.Field(record_, fieldNo);
        }

      private:
        const CompactRecordLayout& layout_;
        const std::uint8_t* record_;
    };
    KeptFields FieldsOf(const RecordRef& ref) { return KeptFields(keptLayout_, KeptRecord(ref)); }

    // The first position of list whose record holds, in each of the given fields, a value
    // that CompareFields finds equal to the one in buffers; -1 when none does. The table is
    // compared with the file once, not at every record.
    std::int32_t FirstEqual(const RecordList& list, const FieldBuffers& buffers,
                            std::span<const std::int32_t> fieldNumbers, CompareOptions options);
    // The stored value of one field of a record, deciphered: the record bytes of a plain field,
    // the decoded content of a blob field.
    void ReadFieldValue(std::int32_t recNo, std::size_t fieldNo, std::vector<std::uint8_t>& value);

  private:
    // The re-sort marks and the change stamp in the table header's spare bytes. A finished
    // write leaves the marks as they were (zero).
    static constexpr std::size_t kResortMarkersOffset = format::kResortMarkersOffset;
    static constexpr std::uint8_t kResortPending = format::kResortPending;
    static constexpr std::size_t kChangeStampOffset = format::kChangeStampOffset;

    // What LiveNext finds besides a record number: the end of the chain, or a link that
    // leaves the table's records (a loop or a stray number: certainly not what a list says).
    static constexpr std::int32_t kEndOfChain = -1;
    static constexpr std::int32_t kLeftTheRecords = -2;
    // Lists at least this long are first compared at their ends: keys that only grow (the
    // auto-increment numbers of appends) or lie before every key then take one or two
    // comparisons instead of a search.
    static constexpr std::int32_t kEndsLookedAtFirst = 16;

    // Where an appended record's parts go: the record table block (a new one when the last
    // is full), the record image, and the end of the file as blobs and index blocks grow it.
    struct AppendSpace {
        std::int32_t recNo = 0;
        bool newBlock = false;
        std::int64_t recordBlock = 0;
        std::int64_t dataOffset = 0;
        std::int64_t end = 0;
    };

    // One index's place for a record in its list, worked out before anything is written.
    struct IndexPlace {
        std::int32_t oldPosition = -1;    // modify: where the record is now
        std::int32_t insertPosition = 0;  // in the list without the record
        std::int32_t target = 0;          // in the list that still holds the record
    };

    // Loading.
    void LoadTable();
    void Retain();
    bool AdoptRetained();
    void BuildDefinitions();
    void LoadLists();
    bool LoadIndexList(std::size_t indexNo);
    bool ResortPending(std::size_t indexNo) const;
    void RebuildIndex(std::size_t indexNo);
    // The sort keys of every live record for one index; raises "corrupt" when a live record
    // does not decode, before anything is written.
    std::vector<std::vector<std::string>> ReadSortKeys(const IndexDefItem& index);
    // Before a write: re-reads the table header; reloads the lists when it changed.
    void Refresh();
    void ReloadLists();
    void SyncRawHeader();
    void WriteCounters();
    void WriteWholeHeader();
    void WriteResortMarkers(const std::vector<std::size_t>& indexes, std::uint8_t value);

    // Staying in step with the file.
    ChangeStamp HeaderStamp() const;
    bool ReadStampShared(ChangeStamp& stamp);
    ChangeStamp ReadStampLocked();
    // Before a read through the lists: reloads what another program changed.
    void KeepUpWithFile();
    // Before a read of kept records: drops them when the stamp moved.
    void CheckKeptRecords();
    // Whether the file marks a record deleted that this object counts live: another
    // program deleted it (a delete writes that one byte and nothing else).
    bool DeletedElsewhere(std::int32_t recNo);
    bool DeletedFlagsDifferFromFile();
    // Under the lock: reads everything again.
    void ReloadEverything();
    void KeepStamp(const ChangeStamp& stamp);
    // Whether the stamp was compared with the file (or written) during the hold of the file
    // lock that is going on: then nobody else can have changed the table since.
    bool StampCheckedInThisHold() const;
    // A writer's first write.
    void RenewStamp();
    // After a write that failed half-way: the next operation reads everything again.
    void ForgetWhatIsKnown();
    // Forgets what is known when a write that began ends with an exception.
    struct ForgetOnFailure {
        ChimTableIO& table;
        int exceptions = std::uncaught_exceptions();
        ~ForgetOnFailure() {
            if (std::uncaught_exceptions() > exceptions)
                table.ForgetWhatIsKnown();
        }
    };

    // Kept records (in their compact form).
    void BuildKeptLayout();
    const std::uint8_t* KeptRecord(const RecordRef& ref);
    std::span<const std::uint8_t> KeptField(std::int32_t recNo, std::size_t fieldNo);
    // A record image as stored, deciphered in place.
    void DecipherImage(std::uint8_t* image);
    // Keeps the record from its stored image (deciphered here); false when there is no room.
    bool KeepStoredImage(std::int32_t recNo, const std::uint8_t* stored);
    void LoadKeptRecords(const RecordRef& ref);
    // A kept record as a whole plain image.
    void DecodeImage(const std::uint8_t* compact, std::vector<std::uint8_t>& plain);
    void KeepWritten(std::int32_t recNo, const std::vector<std::uint8_t>& plain);

    // Searching.
    std::int32_t FirstEqualByFields(const RecordList& list, const FieldBuffers& buffers,
                                    std::span<const std::int32_t> fieldNumbers,
                                    CompareOptions options);
    // Whether a list entry is the record this object knows by that number (a dataset's
    // copy of a list may hold an entry from before a reload).
    bool IsKnownRecord(const RecordRef& ref) const {
        return ref.recNo >= 0 && static_cast<std::size_t>(ref.recNo) < recordItems_.size() &&
               recordItems_[static_cast<std::size_t>(ref.recNo)].dataOffset == ref.dataOffset;
    }
    template <typename Search>
    std::int32_t SearchLive(std::size_t listNumber, Search search, std::int32_t& result);
    std::int32_t SearchIn(const RecordList& list, std::int32_t skip, const FieldBuffers& buffers,
                          bool partial, std::int32_t fieldCount, std::int32_t& result, int bound,
                          std::int32_t indexNumber);
    std::int32_t InsertPosition(const RecordList& list, std::int32_t skip,
                                const FieldBuffers& buffers, std::int32_t indexNumber);
    void CheckUnique(const FieldBuffers& buffers, std::int32_t exceptRecNo);
    [[noreturn]] void RaiseUniqueViolation(const FieldBuffers& buffers, std::size_t indexNo);
    std::vector<IndexPlace> PlaceRecord(const FieldBuffers& buffers, std::int32_t recNo);
    bool PlaceAgreesWithFile(const FieldBuffers& buffers, std::size_t indexNo,
                             const IndexPlace& place, std::int32_t recNo);
    int CompareField(const FieldBuffers& buffers, std::int32_t recNo, std::size_t fieldNo,
                     CompareOptions options);
    std::int32_t LiveNext(std::size_t indexNo, std::int32_t from, std::int32_t skipRecNo);

    // Item positions in the file.
    std::int64_t RecordItemOffset(std::int32_t recNo) const;
    std::int64_t IndexItemOffset(std::size_t indexNo, std::int32_t recNo) const;
    IndexTabItem ReadIndexItem(std::size_t indexNo, std::int32_t recNo);
    void WriteIndexItem(std::size_t indexNo, const IndexTabItem& item);

    // Record images.
    bool FieldEncrypted(std::size_t fieldNo) const;
    bool FieldCompressed(std::size_t fieldNo) const;
    void EncodePlainField(const FieldBufferItem& item, std::size_t fieldNo,
                          std::vector<std::uint8_t>& image, std::vector<std::uint8_t>& plain);
    void EncodeText(std::size_t fieldNo, std::uint8_t* slot, std::size_t width);
    BlobDescriptor WriteBlob(const FieldBufferItem& item, std::size_t fieldNo, std::int64_t offset,
                             std::int32_t allocation);
    void WriteVerified(std::int64_t offset, const std::vector<std::uint8_t>& stored,
                       std::span<const std::uint8_t> plain, std::size_t fieldNo);
    std::int32_t FindLive(std::int32_t recNo) const;
    void RequireLiveInFile(std::int32_t recNo);
    // The opening that modify and delete share: the record number at a position of list 0,
    // with the file lock taken into lock (held until the caller is done), the file writable,
    // the lists up to date and the record still live here and in the file.
    std::int32_t LockLiveRecord(std::int32_t position, std::optional<FileLockGuard>& lock);

    // The write operations under the file lock (each public one then gives a write batch
    // the chance to write out).
    void AppendInLock(FieldBuffers& buffers, bool flush, const RecordNotifyEvent& notify);
    void ModifyInLock(FieldBuffers& buffers, std::int32_t position, const RecordNotifyEvent& notify,
                      bool flush);
    void DeleteInLock(std::int32_t position, bool flush);

    // The steps of an append, in their write order.
    std::int32_t TakeAutoIncValue(FieldBuffers& buffers);
    AppendSpace PlanAppendSpace();
    void WriteNewRecordImage(const FieldBuffers& buffers, AppendSpace& space,
                             std::vector<std::uint8_t>& plain);
    RecordTabItem WriteNewRecordItem(const AppendSpace& space);
    void WriteNewIndexItems(const std::vector<IndexPlace>& places, AppendSpace& space);
    bool LinkNewRecord(const std::vector<IndexPlace>& places, const AppendSpace& space);
    void WriteHeaderAfterAppend(const AppendSpace& space, std::int32_t counter, bool wholeHeader);
    void AddNewRecordToLists(const std::vector<IndexPlace>& places, const AppendSpace& space,
                             const RecordTabItem& recordItem, const RecordNotifyEvent& notify);

    // The steps of a modify, in their write order.
    std::vector<std::uint8_t> ReadStoredImage(std::int64_t dataOffset);
    void RaiseAutoIncCounter(const FieldBuffers& buffers);
    static std::vector<std::size_t> MovingIndexes(const std::vector<IndexPlace>& places);
    void WriteChangedImage(const FieldBuffers& buffers, std::int64_t dataOffset,
                           std::vector<std::uint8_t>& image, const std::vector<std::size_t>& moving,
                           std::vector<std::uint8_t>& plain);
    void RelinkMovedRecord(const std::vector<IndexPlace>& places, const RecordRef& ref,
                           const RecordNotifyEvent& notify);

    ChimDBFileIO& io_;
    std::string tableName_;
    int openCount_ = 0;
    std::int32_t tableNumber_ = -1;
    ChimFieldDefs fieldDefs_;
    ChimIndexDefs indexDefs_;
    std::int32_t recordSize_ = 0;
    std::vector<std::int32_t> fieldOffsets_;
    std::vector<std::int32_t> fieldWidths_;
    std::int32_t autoIncField_ = -1;
    TableHeader header_;
    std::vector<RecordTabItem> recordItems_;
    std::vector<std::int32_t> recordBlocks_;
    std::vector<std::vector<std::int32_t>> indexBlocks_;
    RecordLists lists_;
    std::int64_t listsGeneration_ = 0;
    std::int64_t listsVersion_ = 0;
    // Reused by every decode so that reading a field allocates nothing.
    std::vector<std::uint8_t> fieldScratch_;
    std::vector<std::uint8_t> keyScratch_;
    std::vector<std::uint8_t> blobScratch_;
    std::vector<std::uint8_t> imageScratch_;
    std::vector<std::uint8_t> batchScratch_;
    std::vector<std::uint8_t> blockScratch_;
    RecordCache kept_{DefaultKeptRecordLimit()};
    CompactRecordLayout keptLayout_;
    // The fields a read deciphers: every enciphered field but the blob descriptors.
    std::vector<ChimDBFileIO::EncipheredField> enciphered_;
    // The stored forms of the texts enciphered last, by field and plain form.
    std::vector<std::unordered_map<std::string, std::string>> textsEnciphered_;
    // A record read without a place among the kept ones, compact.
    std::vector<std::uint8_t> unkeptScratch_;
    // The stamp the kept records were read at; nothing is kept while it is not known.
    ChangeStamp keptStamp_{};
    bool keptKnown_ = false;
    // The holds of the file lock (ChimDBFileIO::LockHold) in which the stamp, and the header
    // with every deleted flag, were last found as this object knows them; 0: none.
    std::uint64_t stampCheckedInHold_ = 0;
    std::uint64_t syncedInHold_ = 0;
    // False after a write failed half-way: the lists may differ from the file.
    bool listsKnown_ = true;
};

}  // namespace chimdb
