#include "format/table_header.h"

#include <algorithm>
#include <limits>

#include "chimdb/database_error.h"
#include "chimdb/field_type.h"
#include "file/le_bytes.h"

namespace chimdb {

namespace {

constexpr std::size_t kName = 0;
constexpr std::size_t kRecTabOffset = 33;
constexpr std::size_t kRecordCount = 37;
constexpr std::size_t kAutoIncCounter = 41;
constexpr std::size_t kFieldCount = 45;
constexpr std::size_t kFieldSlots = 49;
constexpr std::size_t kIndexCount = 4177;
constexpr std::size_t kIndexSlots = 4181;

// Within a field slot.
constexpr std::size_t kFieldType = 33;
constexpr std::size_t kFieldSize = 34;
constexpr std::size_t kProcessFlag = 38;

// Within an index slot.
constexpr std::size_t kOptions = 33;
constexpr std::size_t kFieldNumbers = 34;
constexpr std::size_t kIndexTabOffset = 66;
constexpr std::size_t kHeadRecord = 70;

constexpr std::int32_t kEndOfKey = -1;

class HeaderParser {
  public:
    HeaderParser(std::span<const std::uint8_t> bytes, std::int64_t fileSize,
                 std::string_view fileName)
        : bytes_(bytes), fileSize_(fileSize), fileName_(fileName) {}

    TableHeader Parse() {
        TableHeader header;
        header.raw.assign(bytes_.begin(), bytes_.begin() + format::kTableHeaderSize);
        header.name = le::GetText(bytes_, kName, format::kNameFieldWidth);
        header.RecTabOffset = le::GetI32(bytes_, kRecTabOffset);
        header.RecordCount = le::GetI32(bytes_, kRecordCount);
        header.AutoIncCounter = le::GetI32(bytes_, kAutoIncCounter);
        Require(header.RecordCount >= 0);
        Require(header.RecordCount == 0
                    ? header.RecTabOffset == 0 ||
                          IsBlockOffset(header.RecTabOffset, format::kRecordTabBlockSize)
                    : IsBlockOffset(header.RecTabOffset, format::kRecordTabBlockSize));
        ParseFields(header);
        ParseIndexes(header);
        return header;
    }

  private:
    void Require(bool condition) const {
        if (!condition)
            RaiseError(format::kMsgCorrupt, fileName_);
    }

    bool IsBlockOffset(std::int64_t offset, std::int32_t blockSize) const {
        return offset >= format::kPrologueEnd && offset + blockSize <= fileSize_;
    }

    void ParseFields(TableHeader& header) const {
        std::int32_t count = le::GetI32(bytes_, kFieldCount);
        Require(count >= 1 && count <= format::kMaxFields);
        std::int64_t recordSize = 0;
        for (std::int32_t i = 0; i < count; ++i) {
            auto slot = bytes_.subspan(kFieldSlots + i * format::kFieldDefItemSize,
                                       format::kFieldDefItemSize);
            FieldDefItem field{le::GetText(slot, 0, format::kNameFieldWidth),
                               le::GetU8(slot, kFieldType), le::GetI32(slot, kFieldSize),
                               le::GetU8(slot, kProcessFlag)};
            if (IsStringType(field.fieldType)) {
                Require(field.fieldSize >= 0 && field.fieldSize <= format::kMaxStringFieldSize);
            }
            if (auto width = FieldWidth(field.fieldType, field.fieldSize))
                recordSize += *width;
            header.fields.push_back(std::move(field));
        }
        Require(recordSize <= std::numeric_limits<std::int32_t>::max());
    }

    void ParseIndexes(TableHeader& header) const {
        std::int32_t count = le::GetI32(bytes_, kIndexCount);
        Require(count >= 0 && count <= format::kMaxIndexes);
        auto fieldCount = static_cast<std::int32_t>(header.fields.size());
        for (std::int32_t i = 0; i < count; ++i) {
            auto slot = bytes_.subspan(kIndexSlots + i * format::kIndexDefItemSize,
                                       format::kIndexDefItemSize);
            IndexDefItem index;
            index.name = le::GetText(slot, 0, format::kNameFieldWidth);
            index.Options = le::GetU8(slot, kOptions);
            for (std::int32_t k = 0; k < format::kMaxKeyFields; ++k) {
                std::int32_t number = le::GetI32(slot, kFieldNumbers + 4 * k);
                if (number == kEndOfKey)
                    break;
                Require(number >= 0 && number < fieldCount);
                index.fieldNumbers.push_back(number);
            }
            index.IndexTabOffset = le::GetI32(slot, kIndexTabOffset);
            index.HeadRecord = le::GetI32(slot, kHeadRecord);
            Require(index.IndexTabOffset == 0 ||
                    IsBlockOffset(index.IndexTabOffset, format::kIndexTabBlockSize));
            Require(index.HeadRecord >= -1 &&
                    (index.HeadRecord == 0 || index.HeadRecord < header.RecordCount));
            header.indexes.push_back(std::move(index));
        }
    }

    std::span<const std::uint8_t> bytes_;
    std::int64_t fileSize_;
    std::string_view fileName_;
};

}  // namespace

TableHeader TableHeader::Parse(std::span<const std::uint8_t> bytes, std::int64_t fileSize,
                               std::string_view fileName) {
    if (bytes.size() < static_cast<std::size_t>(format::kTableHeaderSize))
        RaiseError(format::kMsgCorrupt, fileName);
    return HeaderParser(bytes, fileSize, fileName).Parse();
}

void TableHeader::Serialize(std::span<std::uint8_t> bytes) const {
    auto out = bytes.first(format::kTableHeaderSize);
    if (raw.size() == out.size()) {
        if (raw.data() != out.data())  // serialized over raw itself: it is there already
            std::copy(raw.begin(), raw.end(), out.begin());
    } else
        std::fill(out.begin(), out.end(), 0);
    le::PutText(out, kName, format::kNameFieldWidth, name);
    SerializeCounters(out.subspan(kCountersOffset, kCountersSize));
    le::PutI32(out, kFieldCount, static_cast<std::int32_t>(fields.size()));
    for (std::size_t i = 0; i < fields.size(); ++i) {
        auto slot =
            out.subspan(kFieldSlots + i * format::kFieldDefItemSize, format::kFieldDefItemSize);
        le::PutText(slot, 0, format::kNameFieldWidth, fields[i].name);
        le::PutU8(slot, kFieldType, fields[i].fieldType);
        le::PutI32(slot, kFieldSize, fields[i].fieldSize);
        le::PutU8(slot, kProcessFlag, fields[i].ProcessFlag);
    }
    le::PutI32(out, kIndexCount, static_cast<std::int32_t>(indexes.size()));
    for (std::size_t i = 0; i < indexes.size(); ++i) {
        auto slot =
            out.subspan(kIndexSlots + i * format::kIndexDefItemSize, format::kIndexDefItemSize);
        const IndexDefItem& index = indexes[i];
        le::PutText(slot, 0, format::kNameFieldWidth, index.name);
        le::PutU8(slot, kOptions, index.Options);
        for (std::size_t k = 0; k < static_cast<std::size_t>(format::kMaxKeyFields); ++k) {
            std::int32_t number = k < index.fieldNumbers.size() ? index.fieldNumbers[k] : kEndOfKey;
            le::PutI32(slot, kFieldNumbers + 4 * k, number);
        }
        le::PutI32(slot, kIndexTabOffset, index.IndexTabOffset);
        le::PutI32(slot, kHeadRecord, index.HeadRecord);
    }
}

void TableHeader::SerializeCounters(std::span<std::uint8_t> bytes) const {
    le::PutI32(bytes, kRecTabOffset - kCountersOffset, RecTabOffset);
    le::PutI32(bytes, kRecordCount - kCountersOffset, RecordCount);
    le::PutI32(bytes, kAutoIncCounter - kCountersOffset, AutoIncCounter);
}

}  // namespace chimdb
