#include <gtest/gtest.h>

#include "chimdb/code_page.h"
#include "chimdb/database_error.h"
#include "file/le_bytes.h"
#include "format/blob_descriptor.h"
#include "table_io_test_util.h"

namespace chimdb::testing {
namespace {

std::int32_t I32(const std::vector<std::uint8_t>& image, std::int64_t offset) {
    return le::GetI32(image, static_cast<std::size_t>(offset));
}

struct TableIoTest : ::testing::Test {
    MemoryFile file{RingImage(), "ring.db"};

    std::int32_t HeaderOffset() {
        CompressMgr c;
        EncryptMgr e;
        return Prologue::Read(file, c, e).directory.tableHeaderOffsets[0];
    }
    TableHeader Header() {
        CompressMgr c;
        EncryptMgr e;
        return Prologue::Read(file, c, e).ReadTableHeader(file, 0);
    }
};

// --- Appending -----------------------------------------------------------------------

TEST_F(TableIoTest, FirstAppendCreatesBlocksWithTheFirstItemAndKeepsHeadAtZero) {
    std::size_t before = file.Image().size();
    {
        OpenRingTable db(file);
        EXPECT_EQ(db.Append({0, "08:00:00", "first", "abc"}), 1);
    }
    TableHeader header = Header();
    const auto& image = file.Image();
    EXPECT_EQ(header.RecTabOffset, static_cast<std::int32_t>(before));
    EXPECT_EQ(header.RecordCount, 1);
    EXPECT_EQ(header.AutoIncCounter, 1);
    // The record follows its block; its blob follows the record with 64 bytes allocated.
    std::int32_t dataOffset = I32(image, header.RecTabOffset + 4);
    EXPECT_EQ(dataOffset, header.RecTabOffset + 5124);
    EXPECT_EQ(image[static_cast<std::size_t>(header.RecTabOffset + 8)], 0);  // not deleted
    std::int32_t recordSize = 4 + 9 + 33 + 20;
    std::int32_t blobDescriptor = dataOffset + 4 + 9 + 33;
    EXPECT_EQ(I32(image, blobDescriptor), dataOffset + recordSize);
    EXPECT_EQ(I32(image, blobDescriptor + 4), 3);
    EXPECT_EQ(I32(image, blobDescriptor + 8), 64);
    std::int32_t firstIndexBlock = dataOffset + recordSize + 64;
    for (std::size_t i = 0; i < 3; ++i) {
        const IndexDefItem& index = header.indexes[i];
        EXPECT_EQ(index.IndexTabOffset, firstIndexBlock + static_cast<std::int32_t>(i) * 8196);
        EXPECT_EQ(index.HeadRecord, 0);
        EXPECT_EQ(I32(image, index.IndexTabOffset), 0);       // no next block
        EXPECT_EQ(I32(image, index.IndexTabOffset + 4), 0);   // record 0
        EXPECT_EQ(I32(image, index.IndexTabOffset + 8), -1);  // end of chain
    }
    EXPECT_EQ(image.size(), static_cast<std::size_t>(firstIndexBlock + 3 * 8196));
}

TEST_F(TableIoTest, KeysThatSortFirstBecomeTheHeadAndEqualKeysFollowTheEntryMet) {
    OpenRingTable db(file);
    db.Append({0, "09:00:00", "same", ""});
    db.Append({0, "08:00:00", "same", ""});
    db.Append({0, "07:00:00", "same", ""});
    EXPECT_EQ(Header().indexes[kTimeIndex].HeadRecord, 2);
    EXPECT_EQ(Header().indexes[kIdIndex].HeadRecord, 0);
    // Non-unique DESC: the binary search over [r0, r1] meets r0 first (mid 0) and compares
    // equal, so r2 goes right after it.
    std::vector<std::int32_t> order;
    for (const RecordRef& ref : db.Table().List(kDescIndex + 1))
        order.push_back(ref.recNo);
    EXPECT_EQ(order, (std::vector<std::int32_t>{0, 2, 1}));
    auto byTime = db.ReadAll(kTimeIndex + 1);
    EXPECT_EQ(byTime.front().time, "07:00:00");
    EXPECT_EQ(byTime.back().time, "09:00:00");
    ExpectChainsConsistent(file);
}

TEST_F(TableIoTest, UniqueViolationNamesTheValuesAndLeavesTheFileByteIdentical) {
    OpenRingTable db(file);
    db.Append({0, "08:00:00", "a", "x"});
    db.Append({0, "09:00:00", "b", "y"});
    std::vector<std::uint8_t> before = file.Image();
    try {
        db.Append({2, "10:00:00", "c", "z"});
        FAIL() << "no unique violation";
    } catch (const DatabaseError& error) {
        EXPECT_STREQ(error.what(), "Invalid unique field value '2'");
    }
    EXPECT_EQ(file.Image(), before);
    EXPECT_EQ(db.Table().List(0).size(), 2u);
}

TEST_F(TableIoTest, CallerGivenAutoIncRaisesTheCounter) {
    OpenRingTable db(file);
    EXPECT_EQ(db.Append({0, "08:00:00", "a", ""}), 1);
    EXPECT_EQ(db.Append({10, "08:00:00", "b", ""}), 10);
    EXPECT_EQ(db.Append({5, "08:00:00", "c", ""}), 5);
    EXPECT_EQ(db.Append({0, "08:00:00", "d", ""}), 11);
    EXPECT_EQ(Header().AutoIncCounter, 11);
}

TEST_F(TableIoTest, StringsAreCutToTheirWidthAtACharacterBoundary) {
    OpenRingTable db(file);
    TableRecordBuffer buffer(db.Table(), &db.Io());
    // Five double-byte characters (10 bytes) into RINGTIME (8 characters + NUL): 4 remain.
    std::string text = ToCodePage("上课铃声响");
    std::memset(buffer.FieldData(kTime), 0, 9);
    std::memcpy(buffer.FieldData(kTime), text.data(), 9);  // cut inside the fifth character
    db.Table().AppendRecord(buffer.Buffers(), false);
    EXPECT_EQ(FromCodePage(db.Read(0, 0).time), "上课铃声");
}

TEST_F(TableIoTest, RecordNumber1024OpensSecondBlocks) {
    OpenRingTable db(file);
    for (int i = 0; i < 1025; ++i)
        db.Append({0, "08:00:00", "r" + std::to_string(1000 + i % 37), ""});
    TableHeader header = Header();
    EXPECT_EQ(header.RecordCount, 1025);
    RecordTable records = RecordTable::Read(file, header);
    EXPECT_EQ(records.blockOffsets.size(), 2u);
    for (const IndexDefItem& index : header.indexes)
        EXPECT_EQ(IndexTable::Read(file, index, 1025).blockOffsets.size(), 2u);
    auto live = ExpectChainsConsistent(file);
    EXPECT_EQ(live.size(), 1025u);
    EXPECT_EQ(live.back().id, 1025);
}

// --- Modify and delete ----------------------------------------------------------------

TEST_F(TableIoTest, ModifyKeepsItsOwnUniqueKeyAndResortsTheChains) {
    OpenRingTable db(file);
    db.Append({0, "08:00:00", "a", ""});
    db.Append({0, "09:00:00", "b", ""});
    db.Append({0, "10:00:00", "c", ""});
    EXPECT_NO_THROW(db.Modify(0, {1, "11:00:00", "z", ""}));
    EXPECT_EQ(db.ReadAll(kTimeIndex + 1).back().id, 1);
    EXPECT_EQ(db.ReadAll(kTimeIndex + 1).front().id, 2);
    EXPECT_THROW(db.Modify(1, {3, "11:00:00", "z", ""}), DatabaseError);
    db.Modify(2, {3, "07:00:00", "a", ""});
    EXPECT_EQ(Header().indexes[kTimeIndex].HeadRecord, 2);
    ExpectChainsConsistent(file);
}

TEST_F(TableIoTest, BlobsStayInPlaceWhenShorterAndMoveWhenLongerUnlessLast) {
    OpenRingTable db(file);
    db.Append({0, "08:00:00", "a", std::string(100, 'x')});
    db.Append({0, "09:00:00", "b", std::string(10, 'y')});
    auto descriptorOf = [&](std::int32_t recNo) {
        std::int32_t dataOffset =
            db.Table().RecordTabItems()[static_cast<std::size_t>(recNo)].dataOffset;
        return BlobDescriptor::Parse(
            std::span(file.Image()).subspan(static_cast<std::size_t>(dataOffset + 46), 20));
    };
    BlobDescriptor first = descriptorOf(0);
    EXPECT_EQ(first.allocatedSize, 128);
    db.Modify(0, {1, "08:00:00", "a", std::string(90, 'x')});
    EXPECT_EQ(descriptorOf(0).dataOffset, first.dataOffset);
    EXPECT_EQ(descriptorOf(0).allocatedSize, 128);
    std::size_t length = file.Image().size();
    db.Modify(0, {1, "08:00:00", "a", std::string(200, 'x')});
    EXPECT_EQ(descriptorOf(0).dataOffset, static_cast<std::int32_t>(length));
    EXPECT_EQ(descriptorOf(0).allocatedSize, 256);
    // Now the last thing in the file: grows in place.
    db.Modify(0, {1, "08:00:00", "a", std::string(300, 'x')});
    EXPECT_EQ(descriptorOf(0).dataOffset, static_cast<std::int32_t>(length));
    EXPECT_EQ(descriptorOf(0).allocatedSize, 320);
    EXPECT_EQ(db.Read(0, 0).sound, std::string(300, 'x'));
}

TEST_F(TableIoTest, A64ByteBlobGetsAnAllocationOf128) {
    OpenRingTable db(file);
    db.Append({0, "08:00:00", "a", std::string(64, 'q')});
    std::int32_t dataOffset = db.Table().RecordTabItems()[0].dataOffset;
    auto descriptor = BlobDescriptor::Parse(
        std::span(file.Image()).subspan(static_cast<std::size_t>(dataOffset + 46), 20));
    EXPECT_EQ(descriptor.dataSize, 64);
    EXPECT_EQ(descriptor.allocatedSize, 128);
    EXPECT_EQ(Header().indexes[0].IndexTabOffset, descriptor.dataOffset + 128);
}

TEST_F(TableIoTest, DeleteChangesOneByteAndDropsTheRecordFromEveryList) {
    OpenRingTable db(file);
    db.Append({0, "08:00:00", "a", "x"});
    db.Append({0, "09:00:00", "b", "y"});
    std::vector<std::uint8_t> before = file.Image();
    db.Table().DeleteRecord(0);
    ASSERT_EQ(file.Image().size(), before.size());
    std::size_t changed = 0;
    for (std::size_t i = 0; i < before.size(); ++i)
        changed += before[i] != file.Image()[i];
    EXPECT_EQ(changed, 1u);
    for (std::size_t l = 0; l < 4; ++l)
        EXPECT_EQ(db.Table().List(l).size(), 1u);
    auto live = ExpectChainsConsistent(file);
    ASSERT_EQ(live.size(), 1u);
    EXPECT_EQ(live[0].id, 2);
}

// --- Searching -------------------------------------------------------------------------

TEST_F(TableIoTest, SearchKeyAndBoundsFindEqualRangesAndInsertPlaces) {
    OpenRingTable db(file);
    for (const char* desc : {"b", "d", "d", "d", "f"})
        db.Append({0, "08:00:00", desc, ""});
    TableRecordBuffer key(db.Table(), &db.Io());
    key.SetString(kDesc, "d");
    std::int32_t result = 9;
    std::int32_t first = db.Table().SearchKeyBound(key.Buffers(), kDescIndex + 1, false, 0, result,
                                                   true, kDescIndex);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(first, 1);
    std::int32_t last = db.Table().SearchKeyBound(key.Buffers(), kDescIndex + 1, false, 0, result,
                                                  false, kDescIndex);
    EXPECT_EQ(last, 3);
    key.SetString(kDesc, "e");
    std::int32_t at =
        db.Table().SearchKey(key.Buffers(), kDescIndex + 1, false, 0, result, kDescIndex);
    EXPECT_NE(result, 0);
    EXPECT_EQ(result == -1 ? at : at + 1, 4);
    EXPECT_EQ(db.Table().PrimaryIndex(), 0);
    // Record 4 ("f") is last in DESC order and position 4 of list 0.
    EXPECT_EQ(db.Table().MapPosition(kDescIndex + 1, 4, 0), 4);
    EXPECT_EQ(db.Table().MapPosition(0, 4, kDescIndex + 1), 4);
    EXPECT_EQ(db.Table().MapPosition(0, 7, kDescIndex + 1), -1);
}

TEST_F(TableIoTest, EmptyListSearchReportsMinusTwo) {
    OpenRingTable db(file);
    TableRecordBuffer key(db.Table(), &db.Io());
    std::int32_t result = 0;
    EXPECT_EQ(db.Table().SearchKey(key.Buffers(), 1, false, 0, result, 0), 0);
    EXPECT_EQ(result, -2);
}

// --- Opening ---------------------------------------------------------------------------

TEST_F(TableIoTest, OpenIsCountedAndDefinitionsCarryNames) {
    ScopedMemoryStream image(file);
    ChimDBFileIO io;
    io.OpenFile(image.DatabaseName(), ChimDBMediumType::mtMemory, false);
    EXPECT_EQ(io.GetTableNames(), std::vector<std::string>{"Ring1_7"});
    ChimTableIO table(io, "ring1_7");
    table.OpenTable();
    table.OpenTable();
    EXPECT_EQ(table.OpenCount(), 2);
    EXPECT_EQ(table.FieldDefs().Count(), 4u);
    EXPECT_EQ(table.FieldDefs()[1].Name(), "RINGTIME");
    EXPECT_EQ(table.IndexDefs()[1].FieldNumbers(), (std::vector<std::int32_t>{1, 0}));
    EXPECT_EQ(table.AutoIncField(), 0);
    EXPECT_EQ(table.RecordSize(), 66);
    table.CloseTable();
    EXPECT_EQ(table.FieldDefs().Count(), 4u);
    table.CloseTable();
    table.CloseTable();
    EXPECT_EQ(table.OpenCount(), 0);
    EXPECT_EQ(table.FieldDefs().Count(), 0u);
    ChimTableIO missing(io, "Nope");
    EXPECT_THROW(
        {
            try {
                missing.OpenTable();
            } catch (const DatabaseError& e) {
                EXPECT_STREQ(e.what(), "Table 'Nope' not found");
                throw;
            }
        },
        DatabaseError);
}

TEST(DefCollectionTest, UnnamedItemsAreNamedAfterTheClassAndItemNumber) {
    ChimFieldDefs fields;
    fields.Add("A", 1, 5);
    fields.Add("", 3, 0);
    EXPECT_EQ(fields[1].Name(), "ChimF2");
    ChimIndexDefs indexes;
    indexes.Add("", tiUnique, {0});
    EXPECT_EQ(indexes[0].Name(), "ChimI1");
    std::int64_t changes = fields.ChangeCount();
    fields.Assign(fields[1], fields[0]);
    EXPECT_EQ(fields[1].Name(), "A");
    EXPECT_EQ(fields[1].Size(), 5);
    EXPECT_EQ(fields.ChangeCount(), changes + 1);
    EXPECT_EQ(fields.IndexOf("a"), 0);
}

TEST(MemoryNameTest, OnlyColonAndHexDigitsNameAnImage) {
    for (const char* name : {"", ":", "abc", ":12g", ": 1", ":11111111111111111"}) {
        ChimDBFileIO io;
        try {
            io.OpenFile(name, ChimDBMediumType::mtMemory, false);
            ADD_FAILURE() << name;
        } catch (const DatabaseError& e) {
            EXPECT_EQ(std::string(e.what()), std::string("Invalid database name '") + name + "'");
        }
    }
    MemoryFile file(RingImage());
    ScopedMemoryStream image(file);
    std::string lower = image.DatabaseName();
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    ChimDBFileIO io;
    io.OpenFile(":000" + lower.substr(1), ChimDBMediumType::mtMemory, false);
    EXPECT_TRUE(io.IsOpen());
    io.CloseFile();
    EXPECT_FALSE(io.CheckPassword("x"));
}

// --- Every cipher and mode -------------------------------------------------------------

struct CodecCase {
    std::optional<std::string> cipher;
    std::uint8_t mode;
    bool compress;
};

class CodecRoundTripTest : public ::testing::TestWithParam<CodecCase> {};

TEST_P(CodecRoundTripTest, RecordsAndBlobsReadBackAfterReopening) {
    const CodecCase& c = GetParam();
    MemoryFile file(RingImage(RingSchema(c.cipher, c.mode, c.compress, true)), "codec.db");
    std::vector<Ring> written;
    {
        OpenRingTable db(file);
        for (int i = 0; i < 20; ++i) {
            Ring ring{0, "0" + std::to_string(i % 10) + ":00:00", "desc" + std::to_string(i),
                      std::string(static_cast<std::size_t>(i * 37), static_cast<char>('a' + i))};
            ring.id = db.Append(ring);
            written.push_back(ring);
        }
        db.Modify(3, {4, "23:59:59", "changed", std::string(5000, 'm')});
        written[3] = {4, "23:59:59", "changed", std::string(5000, 'm')};
    }
    if (c.cipher) {
        // Nothing of the plain texts is in the file.
        std::string bytes(file.Image().begin(), file.Image().end());
        EXPECT_EQ(bytes.find("desc1"), std::string::npos);
    }
    auto live = ExpectChainsConsistent(file);
    EXPECT_EQ(live, written);
    OpenRingTable db(file);
    TableRecordBuffer key(db.Table(), &db.Io());
    key.SetInt32(kId, 17);
    std::int32_t result = 0;
    std::int32_t at = db.Table().SearchKey(key.Buffers(), kIdIndex + 1, false, 0, result, kIdIndex);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(db.Read(kIdIndex + 1, at).desc, "desc16");
}

std::vector<CodecCase> AllCodecs() {
    std::vector<CodecCase> cases;
    for (bool compress : {false, true}) {
        cases.push_back({std::nullopt, 0, compress});
        for (const char* cipher : {"Blowfish", "Twofish", "Gost"})
            for (std::uint8_t mode = 0; mode <= 4; ++mode)
                cases.push_back({std::string(cipher), mode, compress});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(AllCiphersAndModes, CodecRoundTripTest, ::testing::ValuesIn(AllCodecs()),
                         [](const auto& info) {
                             const CodecCase& c = info.param;
                             return (c.cipher ? *c.cipher : std::string("Plain")) + "Mode" +
                                    std::to_string(c.mode) + (c.compress ? "Zlib" : "Raw");
                         });

// --- Verify loop -------------------------------------------------------------------------

// Reads of bytes past a boundary come back damaged, as from a failing disk.
class DamagingReadFile : public File {
  public:
    explicit DamagingReadFile(File& inner) : inner_(inner) {}
    std::int64_t damageFrom = INT64_MAX;
    std::size_t ReadAt(std::int64_t offset, std::span<std::uint8_t> dst) override {
        std::size_t n = inner_.ReadAt(offset, dst);
        for (std::size_t i = 0; i < n; ++i)
            if (offset + static_cast<std::int64_t>(i) >= damageFrom)
                dst[i] ^= 0x5A;
        return n;
    }
    void WriteAt(std::int64_t offset, std::span<const std::uint8_t> src) override {
        ++writes;
        inner_.WriteAt(offset, src);
    }
    std::int64_t Size() override { return inner_.Size(); }
    void Sync() override {}
    std::string Name() const override { return inner_.Name(); }
    int writes = 0;

  private:
    File& inner_;
};

TEST(VerifyWritesTest, ABlobThatNeverReadsBackStopsAfterThreeRounds) {
    MemoryFile inner(RingImage(RingSchema(std::string("Blowfish"), 1, true, true)), "verify.db");
    DamagingReadFile file(inner);
    OpenRingTable db(file);
    db.Append({0, "08:00:00", "ok", "good blob"});
    file.damageFrom = inner.Size() + 66;  // the next record's blob bytes
    file.writes = 0;
    try {
        db.Append({0, "09:00:00", "bad", std::string(500, 'b')});
        FAIL() << "no error";
    } catch (const DatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("does not read back"), std::string::npos);
    }
    EXPECT_EQ(file.writes, 3);  // the first write and two rewrites; nothing after
    file.damageFrom = INT64_MAX;
    EXPECT_EQ(db.ReadAll(0).size(), 1u);
}

}  // namespace
}  // namespace chimdb::testing
