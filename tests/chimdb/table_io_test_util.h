#pragma once

// A small database of ring entries for the table I/O tests, opened through the in-memory
// image registry, and an independent reader that checks the index chains of a file.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "chimdb/database_creator.h"
#include "chimdb/database_error.h"
#include "chimdb/fault_injecting_file.h"
#include "chimdb/field_type.h"
#include "chimdb/memory_file.h"
#include "chimdb/memory_stream_registry.h"
#include "codec/compress_mgr.h"
#include "codec/encrypt_mgr.h"
#include "file/disk_file.h"
#include "format/index_table.h"
#include "format/prologue.h"
#include "format/record_table.h"
#include "table_io/chim_db_file_io.h"
#include "table_io/chim_table_io.h"
#include "table_io/table_record_buffer.h"

namespace chimdb::testing {

// Field numbers of the ring table.
inline constexpr std::size_t kId = 0, kTime = 1, kDesc = 2, kSound = 3;
// Index numbers: ID (primary), TIME (RINGTIME, ID), DESC (not unique).
inline constexpr std::int32_t kIdIndex = 0, kTimeIndex = 1, kDescIndex = 2;

inline FieldSchema RingField(const char* name, FieldType type, std::int32_t size = 0) {
    return FieldSchema{name, static_cast<std::uint8_t>(type), size, 0};
}

inline DatabaseSchema RingSchema(std::optional<std::string> cipher = std::nullopt,
                                 std::uint8_t mode = 0, bool compress = false,
                                 bool verifyWrites = false) {
    DatabaseSchema schema;
    schema.password = "Quartzfen47";
    schema.cipher = std::move(cipher);
    schema.mode = mode;
    schema.compress = compress;
    schema.verifyWrites = verifyWrites;
    schema.tables = {TableSchema{
        "Ring1_7",
        {RingField("ID", FieldType::ftAutoInc), RingField("RINGTIME", FieldType::ftString, 8),
         RingField("RINGDESC", FieldType::ftString, 32), RingField("SOUND", FieldType::ftBlob)},
        {IndexSchema{"ID", {"ID"}, tiPrimary | tiUnique},
         IndexSchema{"TIME", {"RINGTIME", "ID"}, 0}, IndexSchema{"DESC", {"RINGDESC"}, 0}}}};
    return schema;
}

inline std::vector<std::uint8_t> RingImage(const DatabaseSchema& schema = RingSchema()) {
    return DatabaseCreator(schema).BuildImage();
}

// One ring entry as the tests write and expect it.
struct Ring {
    std::int32_t id = 0;
    std::string time;
    std::string desc;
    std::string sound;
    friend bool operator==(const Ring&, const Ring&) = default;
};

// A database opened on a registered image (any File), with its ring table open.
class OpenRingTable {
  public:
    explicit OpenRingTable(File& image,
                           const LockSettings& settings = ChimDBFileIO::DefaultLockSettings())
        : registration_(image), io_(settings), table_(io_, "Ring1_7") {
        io_.OpenFile(registration_.DatabaseName(), ChimDBMediumType::mtMemory, false);
        EXPECT_TRUE(io_.CheckPassword("Quartzfen47"));
        table_.OpenTable();
    }

    ChimDBFileIO& Io() { return io_; }
    ChimTableIO& Table() { return table_; }

    void Fill(TableRecordBuffer& buffer, const Ring& ring) {
        buffer.Clear();
        buffer.SetInt32(kId, ring.id);
        buffer.SetString(kTime, ring.time);
        buffer.SetString(kDesc, ring.desc);
        buffer.SetBlob(kSound, ring.sound);
    }
    // Appends and returns the record's ID.
    std::int32_t Append(const Ring& ring) {
        TableRecordBuffer buffer(table_, &io_);
        Fill(buffer, ring);
        table_.AppendRecord(buffer.Buffers(), false);
        return buffer.GetInt32(kId);
    }
    Ring Read(std::size_t list, std::int32_t position) {
        TableRecordBuffer buffer(table_, &io_);
        table_.ReadRecord(buffer.Buffers(), list, position);
        return Ring{buffer.GetInt32(kId), std::string(buffer.GetString(kTime)),
                    std::string(buffer.GetString(kDesc)), buffer.GetBlob(kSound)};
    }
    std::vector<Ring> ReadAll(std::size_t list) {
        std::vector<Ring> rings;
        for (std::size_t p = 0; p < table_.List(list).size(); ++p)
            rings.push_back(Read(list, static_cast<std::int32_t>(p)));
        return rings;
    }
    // Position in list 0 of the record with this ID, -1 when none.
    std::int32_t PositionOfId(std::int32_t id) {
        auto rings = ReadAll(0);
        for (std::size_t p = 0; p < rings.size(); ++p)
            if (rings[p].id == id)
                return static_cast<std::int32_t>(p);
        return -1;
    }
    void Modify(std::int32_t position, const Ring& ring) {
        TableRecordBuffer buffer(table_, &io_);
        Fill(buffer, ring);
        table_.ModifyRecord(buffer.Buffers(), position);
    }

  private:
    ScopedMemoryStream registration_;
    ChimDBFileIO io_;
    ChimTableIO table_;
};

// Every list of db reads as a program that opens the image afresh reads it.
inline void ExpectReadsAsTheFileSays(OpenRingTable& db, File& image) {
    std::vector<std::vector<Ring>> fresh;
    {
        OpenRingTable reader(image);
        for (std::size_t list = 0; list < 4; ++list)
            fresh.push_back(reader.ReadAll(list));
    }
    for (std::size_t list = 0; list < 4; ++list)
        EXPECT_EQ(db.ReadAll(list), fresh[list]) << "list " << list;
}

// Runs operation with the k-th write from now failing, then expects db to read as the file
// says. Returns whether a write failed; false once the operation makes fewer than k writes.
template <typename Operation>
bool FailWriteAndExpectReadsAsTheFileSays(OpenRingTable& db, FaultInjectingFile& file, File& image,
                                          std::int64_t k, Operation operation) {
    file.FailWrite(file.WriteCount() + k);
    bool failed = false;
    try {
        operation();
    } catch (const DatabaseError&) {
        failed = true;
    }
    file.ClearFaults();
    ExpectReadsAsTheFileSays(db, image);
    return failed;
}

// Checks the file itself, without the table layer's repairs: every index chain visits each
// live record exactly once and in key order (by the given key of a ring). Returns the live
// records in record-number order.
inline std::vector<Ring> ExpectChainsConsistent(File& image) {
    std::vector<Ring> live;
    {
        // Opening repairs what a stop left behind; what follows checks the repaired file.
        OpenRingTable reader(image);
        live = reader.ReadAll(0);
    }
    CompressMgr compress;
    EncryptMgr encrypt;
    Prologue prologue = Prologue::Read(image, compress, encrypt);
    TableHeader header = prologue.ReadTableHeader(image, 0);
    RecordTable records = RecordTable::Read(image, header);
    std::set<std::int32_t> liveNumbers;
    for (std::size_t n = 0; n < records.items.size(); ++n)
        if (!records.items[n].IsDeleted())
            liveNumbers.insert(static_cast<std::int32_t>(n));
    EXPECT_EQ(liveNumbers.size(), live.size());
    std::vector<std::int32_t> idOfRecord(records.items.size(), 0);
    std::vector<std::string> timeOfRecord(records.items.size());
    std::vector<std::string> descOfRecord(records.items.size());
    {
        std::size_t k = 0;
        for (std::int32_t n : liveNumbers) {
            idOfRecord[static_cast<std::size_t>(n)] = live[k].id;
            timeOfRecord[static_cast<std::size_t>(n)] = live[k].time;
            descOfRecord[static_cast<std::size_t>(n)] = live[k].desc;
            ++k;
        }
    }
    for (std::size_t i = 0; i < header.indexes.size(); ++i) {
        SCOPED_TRACE("index " + std::to_string(i));
        EXPECT_EQ(header.raw[4805 + i], 0) << "resort marker left set";
        IndexTable table = IndexTable::Read(image, header.indexes[i], header.RecordCount);
        std::vector<std::int32_t> chain;
        EXPECT_NO_THROW(chain =
                            table.Chain(header.RecordCount == 0 ? -1 : header.indexes[i].HeadRecord,
                                        image.Name()));
        std::vector<std::int32_t> liveChain;
        for (std::int32_t n : chain)
            if (liveNumbers.count(n))
                liveChain.push_back(n);
        EXPECT_EQ(std::set<std::int32_t>(liveChain.begin(), liveChain.end()), liveNumbers);
        EXPECT_EQ(liveChain.size(), liveNumbers.size()) << "a record is chained twice";
        for (std::size_t k = 1; k < liveChain.size(); ++k) {
            auto a = static_cast<std::size_t>(liveChain[k - 1]);
            auto b = static_cast<std::size_t>(liveChain[k]);
            if (i == 0)
                EXPECT_LT(idOfRecord[a], idOfRecord[b]);
            else if (i == 1)
                EXPECT_LE(std::make_pair(timeOfRecord[a], idOfRecord[a]),
                          std::make_pair(timeOfRecord[b], idOfRecord[b]));
            else
                EXPECT_LE(descOfRecord[a], descOfRecord[b]);
        }
    }
    return live;
}

}  // namespace chimdb::testing
