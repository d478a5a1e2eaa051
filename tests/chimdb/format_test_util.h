#pragma once

// Builders of database images for the format tests: a schema with several tables, and
// record and index tables written by hand the way the table layer lays them out.

#include <cstdint>
#include <vector>

#include "chimdb/database_creator.h"
#include "chimdb/field_type.h"
#include "chimdb/memory_file.h"
#include "codec/compress_mgr.h"
#include "codec/encrypt_mgr.h"
#include "file/le_bytes.h"
#include "format/block_chain.h"
#include "format/file_format.h"
#include "format/index_table.h"
#include "format/prologue.h"
#include "format/record_layout.h"
#include "format/record_table.h"

namespace chimdb::testing {

inline FieldSchema Field(const char* name, FieldType type, std::int32_t size = 0) {
    return FieldSchema{name, static_cast<std::uint8_t>(type), size, 0};
}

// Three tables: one that will get many records, one small, one left empty.
inline DatabaseSchema SampleSchema() {
    DatabaseSchema schema;
    schema.password = "bell";
    schema.cipher = "Blowfish";
    schema.mode = 1;
    schema.compress = true;
    schema.tables = {
        TableSchema{"Ring1_7",
                    {Field("ID", FieldType::ftAutoInc), Field("RINGTIME", FieldType::ftString, 8),
                     Field("RINGDESC", FieldType::ftString, 32), Field("SOUND", FieldType::ftBlob)},
                    {IndexSchema{"ID", {"ID"}, tiPrimary | tiUnique},
                     IndexSchema{"TIME", {"RINGTIME", "ID"}, tiDescending}}},
        TableSchema{"FANGAN",
                    {Field("NAME", FieldType::ftString, 20), Field("ACTIVE", FieldType::ftBoolean)},
                    {IndexSchema{"NAME", {"NAME"}, tiUnique | tiCaseInsensitive}}},
        TableSchema{
            "Config", {Field("KEY", FieldType::ftString, 10), Field("VAL", FieldType::ftMemo)}, {}},
    };
    return schema;
}

inline void PutBlockLink(MemoryFile& file, std::int32_t blockOffset, std::int32_t next) {
    std::uint8_t bytes[4];
    le::PutI32(bytes, 0, next);
    file.WriteAt(blockOffset, bytes);
}

// Appends blockCount zero blocks and links them; returns their offsets in chain order.
// The blocks are placed in reverse order so that a reader must follow the links.
inline std::vector<std::int32_t> AppendChain(MemoryFile& file, std::int32_t blockSize,
                                             std::int64_t blockCount) {
    std::vector<std::int32_t> offsets(static_cast<std::size_t>(blockCount));
    auto start = static_cast<std::int32_t>(file.Size());
    for (std::int64_t i = 0; i < blockCount; ++i)
        offsets[static_cast<std::size_t>(blockCount - 1 - i)] =
            start + static_cast<std::int32_t>(i) * blockSize;
    file.Image().resize(static_cast<std::size_t>(start + blockCount * blockSize), 0);
    for (std::size_t i = 0; i + 1 < offsets.size(); ++i)
        PutBlockLink(file, offsets[i], offsets[i + 1]);
    return offsets;
}

inline void PutItem(MemoryFile& file, const std::vector<std::int32_t>& blocks, std::int32_t n,
                    std::int32_t itemSize, std::span<const std::uint8_t> item) {
    std::int64_t offset = blocks[static_cast<std::size_t>(n / format::kItemsPerBlock)] + 4 +
                          static_cast<std::int64_t>(n % format::kItemsPerBlock) * itemSize;
    file.WriteAt(offset, item);
}

// Gives table tableNumber count records: every seventh is deleted; index 0 chains the
// records in ascending record number, every other index in descending order.
inline void AddRecords(MemoryFile& file, std::int32_t tableNumber, std::int32_t count) {
    CompressMgr compress;
    EncryptMgr encrypt;
    Prologue prologue = Prologue::Read(file, compress, encrypt);
    TableHeader header = prologue.ReadTableHeader(file, tableNumber);
    RecordLayout layout = RecordLayout::Compute(header.fields);

    auto recordBlocks =
        AppendChain(file, format::kRecordTabBlockSize, BlockChainWalker::BlocksFor(count));
    header.RecTabOffset = recordBlocks.front();
    header.RecordCount = count;
    for (auto& index : header.indexes) {
        auto blocks =
            AppendChain(file, format::kIndexTabBlockSize, BlockChainWalker::BlocksFor(count));
        index.IndexTabOffset = blocks.front();
        bool ascending = &index == &header.indexes.front();
        index.HeadRecord = ascending ? 0 : count - 1;
        for (std::int32_t n = 0; n < count; ++n) {
            std::int32_t next = ascending ? (n + 1 < count ? n + 1 : -1) : n - 1;
            std::uint8_t item[8];
            IndexTabItem{n, next}.Serialize(item);
            PutItem(file, blocks, n, format::kIndexTabItemSize, item);
        }
    }
    for (std::int32_t n = 0; n < count; ++n) {
        auto dataOffset = static_cast<std::int32_t>(file.Size());
        std::vector<std::uint8_t> record(static_cast<std::size_t>(layout.RecordSize),
                                         static_cast<std::uint8_t>(n));
        file.WriteAt(dataOffset, record);
        std::uint8_t item[5];
        RecordTabItem{dataOffset, static_cast<std::uint8_t>(n % 7 == 3 ? 1 : 0)}.Serialize(item);
        PutItem(file, recordBlocks, n, format::kRecordTabItemSize, item);
    }
    prologue.WriteTableHeader(file, tableNumber, header);
}

// Every table, its record table, each record's fixed part and every index chain, read
// the way the table layer opens tables. Returns the number of live records seen.
inline std::int64_t OpenEverything(File& file) {
    CompressMgr compress;
    EncryptMgr encrypt;
    Prologue prologue = Prologue::Read(file, compress, encrypt);
    std::int64_t live = 0;
    for (std::int32_t t = 0; t < prologue.directory.tableCount; ++t) {
        TableHeader header = prologue.ReadTableHeader(file, t);
        RecordLayout layout = RecordLayout::Compute(header.fields);
        RecordTable records = RecordTable::Read(file, header);
        for (const RecordTabItem& item : records.items) {
            if (!item.IsDeleted()) {
                RecordTable::ReadRecordImage(file, item, layout.RecordSize);
                ++live;
            }
        }
        for (const IndexDefItem& index : header.indexes) {
            IndexTable table = IndexTable::Read(file, index, header.RecordCount);
            table.Chain(index.HeadRecord, file.Name());
        }
    }
    return live;
}

inline MemoryFile SampleDatabase(std::int32_t manyRecords = 1030) {
    MemoryFile file(DatabaseCreator(SampleSchema()).BuildImage(), "sample.db");
    AddRecords(file, 0, manyRecords);
    AddRecords(file, 1, 3);
    return file;
}

}  // namespace chimdb::testing
