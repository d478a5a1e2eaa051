#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "chimdb/cdb_data_set.h"
#include "chimdb/filter_options.h"
#include "chimdb/filter_record_source.h"

namespace chimdb {

class BlobLoader;
class FilterParser;
class StoredFields;

// The record side of a table dataset: the record buffer layout and its encodings, field data
// access, the key buffers, the filter buffer, and the filter settings with their parser.
//
// Layout of a record buffer: the data fields in field order, each in its record encoding and
// width (a blob field takes no bytes, its stream lies beside); then the calculated fields,
// each a has-value byte and its data; then the 4-byte bookmark and the bookmark flag.
class CDEDataSet : public CDBDataSet, public FilterRecordSource {
  public:
    static constexpr std::size_t kKeyBufferCount = 4;
    // Key buffer 0 holds the search key; 1 and 2 the bounds of a range; 3 is spare.
    static constexpr std::size_t kSearchKeyBuffer = 0;

    explicit CDEDataSet(Component* owner = nullptr);
    ~CDEDataSet() override;

    // The filter text, applied while Filtered is true. On an open table a new text is parsed
    // first (a syntax error changes nothing); a change while filtered applies it at once, and
    // a failure there restores the previous text.
    const std::string& Filter() const { return filter_; }
    void SetFilter(const std::string& text);
    bool Filtered() const { return filtered_; }
    // On an open table applies or removes the filter and goes to the first record.
    void SetFiltered(bool filtered);
    const FilterOptions& GetFilterOptions() const { return filterOptions_; }
    void SetFilterOptions(const FilterOptions& options);

    // Copies a plain field's value bytes from the active buffer; false when there is none.
    // A blob field raises "General error": blobs are read through blob streams.
    bool GetFieldData(const Field& field, std::span<std::uint8_t> dest);
    // Writes a plain field's value bytes (record encoding) into the active buffer, as a typed
    // setter would; a blob field raises "General error".
    void SetFieldData(Field& field, std::span<const std::uint8_t> source);

    RecordBuffer* ActiveRecordBuffer() override;
    // FilterRecordSource.
    Field* FindFilterField(std::string_view name) override;

    std::int32_t RecordSize() const { return recordSize_; }
    std::int32_t DataSize() const { return dataSize_; }

  protected:
    // Cut the records down to those the filter accepts / go back to all of them.
    virtual void ActivateFilter() {}
    virtual void DeactivateFilter() {}
    // Reads the record at a cursor position into a buffer.
    virtual void ReadRecordData(RecordBuffer& buffer, std::int32_t position) {
        (void)buffer;
        (void)position;
    }
    // Where blob streams load their stored blobs from.
    virtual BlobLoader* BlobSource() { return nullptr; }
    // Number of stored fields (the width of the field buffers laid over a record buffer).
    virtual std::size_t StoredFieldCount() const = 0;

    // Works out field offsets and sizes (every field must be bound to its stored field
    // number first) and allocates the key buffers and the filter buffer.
    void PrepareRecordLayout(const std::vector<int>& storedFieldNumbers);
    void FreeRecordLayout();
    std::unique_ptr<RecordBuffer> AllocRecordBuffer() override;
    // New-record values: today's date, the time of day now, 30 December 1899 for date-times,
    // zero otherwise; blob streams empty.
    void InitRecordValues(RecordBuffer& buffer);

    RecordBuffer& KeyBuffer(std::size_t index) { return *keyBuffers_.at(index); }
    void SelectKeyBuffer(std::size_t index) { keyBufferIndex_ = index; }
    RecordBuffer& FilterBuffer() { return *filterBuffer_; }
    // Field access in the filter state reads and writes buffer instead of the filter buffer
    // (nullptr: the filter buffer again).
    void RedirectFilterBuffer(RecordBuffer* buffer) { filterBufferRedirect_ = buffer; }
    // Sets the Filtered flag alone, without applying or removing anything.
    void SetFilteredFlag(bool filtered) { filtered_ = filtered; }
    // Whether the record in the filter buffer passes: OnFilterRecord first (it may reject),
    // then the parsed filter text (an empty text accepts).
    bool TestFilterRecord();
    // The parsed filter text for a record read where it is stored; only for a filter of the
    // language over stored fields that are no blobs, without OnFilterRecord (the filter
    // buffer is not filled).
    bool TestStoredRecord(const StoredFields& stored);
    // Parses the current filter text when it is not empty.
    void ParseFilter();
    // The stored field numbers that the last parsed filter text reads.
    const std::vector<int>& FilterFieldNumbers() const { return filterFieldNumbers_; }
    // Whether the filter language itself parses the filter (a plugged-in parser may read
    // fields it never looked up by name).
    bool FilterParsedByLanguage() const;
    // The field object shown for a stored field number, nullptr when none.
    Field* FieldForStoredNumber(int fieldNo) const;

  private:
    void ReapplyFilter(const std::function<void()>& restore);

    std::string filter_;
    bool filtered_ = false;
    FilterOptions filterOptions_;
    std::unique_ptr<FilterParser> filterParser_;
    std::vector<int> filterFieldNumbers_;
    std::int32_t dataSize_ = 0;
    std::int32_t calcSize_ = 0;
    std::int32_t recordSize_ = 0;
    std::vector<Field*> fieldsByStoredNumber_;
    std::array<std::unique_ptr<RecordBuffer>, kKeyBufferCount> keyBuffers_;
    std::size_t keyBufferIndex_ = kSearchKeyBuffer;
    std::unique_ptr<RecordBuffer> filterBuffer_;
    RecordBuffer* filterBufferRedirect_ = nullptr;
};

}  // namespace chimdb
