#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "chimdb/field_buffers.h"
#include "chimdb/record_lists.h"
#include "chimdb/table_header.h"
#include "format/blob_descriptor.h"
#include "format/index_tab_item.h"
#include "format/record_tab_item.h"
#include "table_io/chim_db_file_io.h"
#include "table_io/chim_field_def.h"
#include "table_io/chim_index_def.h"
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
using RecordNotifyEvent = std::function<void(void* owner, const RecordNotify&)>;

// One table of an open database, shared by every dataset open on it: header, definitions,
// record table and the record lists (list 0 in record-number order, list i + 1 in the key
// order of index i). Reads, appends, rewrites and deletes records and keeps the index chains
// of the file in order.
//
// Every operation that writes holds the file lock, first re-reads the table header and, when
// another program changed the table, reloads the lists (ListsGeneration() then grows). The
// writes of an append or a modify are ordered so that a stop after any of them leaves a file
// that opens with every earlier record intact; an index chain found broken at open (it does
// not visit every live record exactly once, or a modify was cut short while relinking) is
// rebuilt by sorting the live records.
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
    std::int32_t TableNumber() const { return tableNumber_; }
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
    void AppendRecord(FieldBuffers& buffers, bool flush, const RecordNotifyEvent& notify = {},
                      void* owner = nullptr);
    // Rewrites the record at a position of list 0 and re-sorts it in every index.
    void ModifyRecord(FieldBuffers& buffers, std::int32_t position,
                      const RecordNotifyEvent& notify = {}, void* owner = nullptr,
                      bool flush = false);
    // Marks the record at a position of list 0 deleted and drops it from every list.
    void DeleteRecord(std::int32_t position, bool flush = false);

    // Binary search for the key held in buffers in an index list (listNumber = index + 1),
    // with the rules of index indexNumber. result: 0 found, -1 the key sorts before the
    // returned position, 1 after it, -2 the list is empty. fieldCount 0 compares all key
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
    // The stored value of one field of a record, deciphered: the record bytes of a plain field,
    // the decoded content of a blob field.
    void ReadFieldValue(std::int32_t recNo, std::size_t fieldNo, std::vector<std::uint8_t>& value);

  private:
    // The table header's 16 spare bytes at 4805 hold one byte per index that is non-zero only
    // while a modify relinks that index's chain; a byte left set by a stop in between makes
    // the next open rebuild that chain. A finished modify leaves them as they were (zero).
    static constexpr std::size_t kResortMarkersOffset = 4805;

    // One index's place for a record in its list, worked out before anything is written.
    struct IndexPlace {
        std::int32_t oldPosition = -1;    // modify: where the record is now
        std::int32_t insertPosition = 0;  // in the list without the record
        std::int32_t target = 0;          // in the list that still holds the record
    };

    // Loading.
    void LoadTable();
    void BuildDefinitions();
    void LoadLists();
    bool LoadIndexList(std::size_t indexNo);
    void RebuildIndex(std::size_t indexNo);
    // Before a write: re-reads the table header; reloads the lists when it changed.
    void Refresh();
    void ReloadLists();
    void SyncRawHeader();
    void WriteCounters();
    void WriteWholeHeader();
    void WriteResortMarkers(const std::vector<std::size_t>& indexes, std::uint8_t value);

    // Searching.
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
                          std::vector<std::uint8_t>& image);
    BlobDescriptor WriteBlob(const FieldBufferItem& item, std::size_t fieldNo, std::int64_t offset,
                             std::int32_t allocation);
    void WriteVerified(std::int64_t offset, const std::vector<std::uint8_t>& stored,
                       std::span<const std::uint8_t> plain, std::size_t fieldNo);
    std::int32_t FindLive(std::int32_t recNo) const;
    void RequireLiveInFile(std::int32_t recNo);

    ChimDBFileIO& io_;
    std::string tableName_;
    int openCount_ = 0;
    std::int32_t tableNumber_ = -1;
    ChimFieldDefs fieldDefs_;
    ChimIndexDefs indexDefs_;
    std::int32_t recordSize_ = 0;
    std::vector<std::int32_t> fieldOffsets_;
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
};

}  // namespace chimdb
