#include <gtest/gtest.h>

#include "chimdb/database_error.h"
#include "format_test_util.h"

namespace chimdb {
namespace {

using testing::SampleDatabase;

std::string OpenMessage(MemoryFile& file) {
    CompressMgr compress;
    EncryptMgr encrypt;
    try {
        Prologue::Read(file, compress, encrypt);
        return "opened";
    } catch (const DatabaseError& e) {
        return e.what();
    }
}

TEST(PrologueTest, SelectsTheAlgorithmsTheFileNames) {
    MemoryFile file = SampleDatabase(3);
    CompressMgr compress;
    EncryptMgr encrypt;
    Prologue prologue = Prologue::Read(file, compress, encrypt);
    EXPECT_TRUE(compress.HasAlgo());
    EXPECT_TRUE(encrypt.HasAlgo());
    EXPECT_EQ(prologue.processHeader.EncryptMode, 1);
    EXPECT_EQ(prologue.directory.tableCount, 3);
    auto names = prologue.TableNames(file);
    EXPECT_EQ(names, (std::vector<std::string>{"Ring1_7", "FANGAN", "Config"}));
}

TEST(PrologueTest, PlainFileSelectsNothing) {
    DatabaseSchema schema = testing::SampleSchema();
    schema.cipher.reset();
    schema.compress = false;
    MemoryFile file(DatabaseCreator(schema).BuildImage());
    CompressMgr compress;
    EncryptMgr encrypt;
    Prologue::Read(file, compress, encrypt);
    EXPECT_FALSE(compress.HasAlgo());
    EXPECT_FALSE(encrypt.HasAlgo());
}

TEST(PrologueTest, UnknownAlgorithmNames) {
    MemoryFile file = SampleDatabase(3);
    std::vector<std::uint8_t> original = file.Image();
    file.WriteAt(2317 + 37, std::vector<std::uint8_t>{'D', 'E', 'S', 0});
    EXPECT_EQ(OpenMessage(file), "Encryption algorithm module 'DES' not found");
    file.Image() = original;
    file.WriteAt(2317 + 2, std::vector<std::uint8_t>{'L', 'Z', 'W', 0});
    EXPECT_EQ(OpenMessage(file), "Compression algorithm module 'LZW' not found");
    // A disabled algorithm's name is not read.
    file.Image()[2317] = 0;
    EXPECT_EQ(OpenMessage(file), "opened");
}

TEST(PrologueTest, HeaderChecksComeFirst) {
    MemoryFile file = SampleDatabase(3);
    file.WriteAt(7, std::vector<std::uint8_t>{'1', '.', '0', '0', 0});
    file.Image()[2789] = 0xFF;  // a broken directory is not reached
    EXPECT_EQ(OpenMessage(file), "Version 1.00 is not compatible");
    file.Image()[0] = 'c';
    EXPECT_EQ(OpenMessage(file), "Database file 'sample.db' is a invalid ChimDB");
}

TEST(BlockChainWalkerTest, FollowsLinksAcrossBlocks) {
    MemoryFile file(std::vector<std::uint8_t>(format::kPrologueEnd, 0));
    auto offsets = testing::AppendChain(file, format::kRecordTabBlockSize, 3);
    BlockChainWalker walker(file, format::kRecordTabBlockSize);
    EXPECT_EQ(walker.Walk(offsets.front(), 3), offsets);
    EXPECT_EQ(walker.Walk(offsets.front(), 2).size(), 2u);
    // More blocks than the file can hold is refused before walking.
    EXPECT_THROW(walker.Walk(offsets.front(), 4), DatabaseError);
    // A link back to an earlier block is a loop.
    testing::PutBlockLink(file, offsets[2], offsets[0]);
    file.Image().resize(file.Image().size() + format::kRecordTabBlockSize);
    EXPECT_THROW(walker.Walk(offsets.front(), 4), DatabaseError);
    EXPECT_EQ(BlockChainWalker::BlocksFor(1024), 1);
    EXPECT_EQ(BlockChainWalker::BlocksFor(1025), 2);
}

TEST(IndexChainTest, StopsAtTheEndAndRefusesLoops) {
    IndexTable table;
    table.items = {{0, 2}, {1, -1}, {2, 1}};
    EXPECT_EQ(table.Chain(0, "x.db"), (std::vector<std::int32_t>{0, 2, 1}));
    EXPECT_EQ(table.Chain(-1, "x.db"), std::vector<std::int32_t>{});
    table.items[1].nextRecord = 2;
    EXPECT_THROW(table.Chain(0, "x.db"), DatabaseError);
    EXPECT_EQ(IndexTable{}.Chain(0, "x.db"), std::vector<std::int32_t>{});
}

TEST(RecordTableTest, ReadsItemsFromSecondBlock) {
    MemoryFile file = SampleDatabase(1030);
    CompressMgr compress;
    EncryptMgr encrypt;
    Prologue prologue = Prologue::Read(file, compress, encrypt);
    TableHeader header = prologue.ReadTableHeader(file, 0);
    RecordTable records = RecordTable::Read(file, header);
    ASSERT_EQ(records.items.size(), 1030u);
    EXPECT_EQ(records.blockOffsets.size(), 2u);
    EXPECT_TRUE(records.items[1025].IsDeleted());  // 1025 % 7 == 3
    auto image = RecordTable::ReadRecordImage(file, records.items[1029],
                                              RecordLayout::Compute(header.fields).RecordSize);
    EXPECT_EQ(image.front(), static_cast<std::uint8_t>(1029));
    IndexTable descending = IndexTable::Read(file, header.indexes[1], header.RecordCount);
    auto chain = descending.Chain(header.indexes[1].HeadRecord, file.Name());
    ASSERT_EQ(chain.size(), 1030u);
    EXPECT_EQ(chain.front(), 1029);
    EXPECT_EQ(chain.back(), 0);
}

}  // namespace
}  // namespace chimdb
