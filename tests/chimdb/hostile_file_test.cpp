// Damaged database files, as bad luck or an attacker makes them: reading one is refused with
// "Database file '%s' is corrupt" and never writes to it, unless the store's own mark of a
// write cut short asks for a repair that every live record allows; a declared size or count
// that the format or the file cannot hold is refused before anything is allocated.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "chimdb/chim_session_list.h"
#include "chimdb/database_creator.h"
#include "chimdb/database_error.h"
#include "fuzz/fuzz_image_file.h"
#include "fuzz/read_database.h"
#include "fuzz/seed_files.h"

namespace chimdb {
namespace {

using chimdb_fuzz::FuzzImageFile;
using chimdb_fuzz::ReadDatabase;
using chimdb_fuzz::ReadOutcome;

// The store's message for damage, whatever name the in-memory database got.
bool IsCorrupt(const std::string& message) {
    return message.starts_with("Database file '") && message.ends_with("' is corrupt");
}

class HostileFileTest : public ::testing::Test {
  protected:
    ~HostileFileTest() override { ChimSessionList::Instance().Shutdown(); }

    static ReadOutcome Read(FuzzImageFile& file) { return ReadDatabase(file); }

    // The texts of one field of the every-kind table, in the order of an index.
    static std::vector<std::string> ColumnInOrder(const std::vector<std::uint8_t>& image,
                                                  const std::string& index,
                                                  const std::string& field) {
        FuzzImageFile file(image.data(), image.size());
        ScopedMemoryStream registration(file);
        ChimTable table;
        table.SetMediumType(ChimDBMediumType::mtMemory);
        table.SetDatabaseName(registration.DatabaseName());
        table.SetTableName("Every");
        table.SetIndexName(index);
        table.SetPassword(chimdb_fuzz::kCorpusPassword);
        table.Open();
        std::vector<std::string> texts;
        for (table.First(); !table.Eof(); table.Next())
            texts.push_back(table.FieldByName(field).AsString());
        table.Close();
        return texts;
    }
};

// Records seen when the every-kind table (3 live records) is read in record-number order and
// through each of its 4 indexes.
constexpr std::size_t kSeedRecordsSeen = 3 * 5;

TEST_F(HostileFileTest, SeedFilesOfEveryCipherAndModeReadCompletelyWithoutWriting) {
    for (const char* cipher : {"Blowfish", "Twofish", "Gost"}) {
        for (std::uint8_t mode = 0; mode < 5; ++mode) {
            SCOPED_TRACE(std::string(cipher) + " mode " + std::to_string(mode));
            auto image = chimdb_fuzz::SeedImage(std::string(cipher), mode, mode % 2 == 1);
            FuzzImageFile file(image.data(), image.size());
            ReadOutcome outcome = Read(file);
            EXPECT_EQ(outcome.tablesRead, 1u) << outcome.firstError;
            EXPECT_EQ(outcome.records, kSeedRecordsSeen);
            EXPECT_EQ(file.Writes(), 0);
        }
    }
}

TEST_F(HostileFileTest, ChainThatMissesARecordIsRefusedAndTheFileStaysUnchanged) {
    auto image = chimdb_fuzz::BrokenChainImage();
    FuzzImageFile file(image.data(), image.size());
    ReadOutcome outcome = Read(file);
    EXPECT_EQ(outcome.tablesRefused, 1u);
    EXPECT_TRUE(IsCorrupt(outcome.firstError)) << outcome.firstError;
    EXPECT_EQ(file.Writes(), 0);
    EXPECT_EQ(file.Image(), image);
}

TEST_F(HostileFileTest, InsertedBytesAreRefusedAndTheFileStaysUnchanged) {
    auto image = chimdb_fuzz::InsertedBytesImage();
    FuzzImageFile file(image.data(), image.size());
    ReadOutcome outcome = Read(file);
    EXPECT_EQ(outcome.tablesRead, 0u);
    EXPECT_EQ(file.Writes(), 0);
    EXPECT_EQ(file.Image(), image);
}

// A modify cut short while it relinked an index leaves the chain broken under the store's
// mark: the chain is rebuilt from the stored keys and the mark cleared, once.
TEST_F(HostileFileTest, MarkedChainIsRebuiltInKeyOrderAndTheMarkCleared) {
    auto image = chimdb_fuzz::ResortMarkedImage();
    FuzzImageFile file(image.data(), image.size());
    ReadOutcome outcome = Read(file);
    EXPECT_EQ(outcome.tablesRead, 1u) << outcome.firstError;
    EXPECT_EQ(outcome.records, kSeedRecordsSeen);
    EXPECT_GT(file.Writes(), 0);
    const auto& repaired = file.Image();
    EXPECT_EQ(repaired.at(chimdb_fuzz::TableHeaderAt(repaired) + chimdb_fuzz::kResortMarkers +
                          chimdb_fuzz::kStringIndex),
              0);
    // The repair is the chain a sound file has: reading again writes nothing.
    FuzzImageFile again(repaired.data(), repaired.size());
    EXPECT_EQ(Read(again).records, kSeedRecordsSeen);
    EXPECT_EQ(again.Writes(), 0);
    auto sound = chimdb_fuzz::SeedImage(std::nullopt, 0, false);
    EXPECT_EQ(ColumnInOrder(repaired, "S", "S"), ColumnInOrder(sound, "S", "S"));
}

// The mark asks for a rebuild, but a live record lies outside the file: nothing can be
// sorted soundly, so the table is refused and nothing is written.
TEST_F(HostileFileTest, MarkedChainWithARecordThatDoesNotDecodeIsRefusedWithoutWriting) {
    auto image = chimdb_fuzz::ResortMarkedImage();
    std::size_t header = chimdb_fuzz::TableHeaderAt(image);
    auto recordTable = static_cast<std::size_t>(chimdb_fuzz::GetI32(image, header + 33));
    // Record 1's data offset points past the end of the file.
    chimdb_fuzz::PutI32(image, recordTable + 4 + 5 * 1, static_cast<std::int32_t>(image.size()));
    FuzzImageFile file(image.data(), image.size());
    ReadOutcome outcome = Read(file);
    EXPECT_EQ(outcome.tablesRefused, 1u);
    EXPECT_TRUE(IsCorrupt(outcome.firstError)) << outcome.firstError;
    EXPECT_EQ(file.Writes(), 0);
}

// A small mutator over a sound file (bytes inserted, flipped, cut off, blocks duplicated,
// counts and sizes set to extreme values): whatever the damage, reading writes only to a file
// that carries the store's mark, and nothing but a DatabaseError comes out.
TEST_F(HostileFileTest, MutatedFilesAreNeverWrittenWithoutTheStoresMark) {
    const auto sound = chimdb_fuzz::SeedImage(std::string("Twofish"), 2, true);
    const std::size_t header = chimdb_fuzz::TableHeaderAt(sound);
    const std::vector<std::int32_t> extremes = {-1,    0,         1,          1023,      1024,
                                                65536, 268435456, 1348724354, 2147483647};
    std::mt19937 random(18);
    int written = 0;
    for (int round = 0; round < 300; ++round) {
        std::vector<std::uint8_t> image = sound;
        switch (round % 5) {
            case 0: {  // bytes inserted
                std::size_t at = random() % image.size();
                image.insert(image.begin() + static_cast<std::ptrdiff_t>(at), 1 + random() % 8,
                             static_cast<std::uint8_t>(random()));
                break;
            }
            case 1:  // bytes flipped, mostly in the table header
                for (int i = 0; i < 3; ++i) {
                    std::size_t at =
                        random() % 2 ? header + random() % 4821 : random() % image.size();
                    image[at] ^= static_cast<std::uint8_t>(1u << (random() % 8));
                }
                break;
            case 2:  // cut off
                image.resize(random() % image.size());
                break;
            case 3: {  // a stretch duplicated in place of what follows it
                std::size_t from = random() % (image.size() - 64);
                std::size_t length = 1 + random() % 64;
                std::size_t to = random() % (image.size() - length);
                std::copy_n(sound.begin() + static_cast<std::ptrdiff_t>(from), length,
                            image.begin() + static_cast<std::ptrdiff_t>(to));
                break;
            }
            default: {  // a count, size or offset of the table header set to an extreme value
                std::size_t at = header + 33 + 4 * (random() % 1197);
                chimdb_fuzz::PutI32(image, at, extremes[random() % extremes.size()]);
                break;
            }
        }
        SCOPED_TRACE("round " + std::to_string(round));
        FuzzImageFile file(image.data(), image.size());
        Read(file);
        if (file.Writes() > 0) {
            ++written;
            EXPECT_TRUE(chimdb_fuzz::HasResortMark(image.data(), image.size()));
        }
    }
    EXPECT_LT(written, 10);
}

TEST_F(HostileFileTest, HugeDeclaredStringSizesAreRefusedBeforeAnythingIsAllocated) {
    for (std::int32_t size : {268435456, 1348724354, 8193}) {
        SCOPED_TRACE(size);
        auto image = chimdb_fuzz::HugeStringSizeImage(size);
        FuzzImageFile file(image.data(), image.size());
        ReadOutcome outcome = Read(file);
        EXPECT_EQ(outcome.tablesRead, 0u);
        EXPECT_TRUE(IsCorrupt(outcome.firstError)) << outcome.firstError;
        EXPECT_EQ(file.Writes(), 0);
    }
}

TEST_F(HostileFileTest, LargestStringSizeOfTheFormatIsAccepted) {
    DatabaseSchema schema = chimdb_fuzz::EveryKindSchema(std::nullopt);
    schema.tables[0].fields[1].fieldSize = 8192;
    auto image = chimdb_fuzz::FillEveryKind(DatabaseCreator(schema).BuildImage(), 0, false);
    FuzzImageFile file(image.data(), image.size());
    ReadOutcome outcome = Read(file);
    EXPECT_EQ(outcome.tablesRead, 1u) << outcome.firstError;
}

TEST_F(HostileFileTest, CreatorRefusesAStringSizeTheFormatCannotHold) {
    DatabaseSchema schema = chimdb_fuzz::EveryKindSchema(std::nullopt);
    schema.tables[0].fields[1].fieldSize = 8193;
    try {
        DatabaseCreator(schema).BuildImage();
        FAIL() << "a string field of 8193 characters was created";
    } catch (const DatabaseError& error) {
        EXPECT_STREQ(error.what(),
                     "String field 'S' of table 'Every' needs a size of at most 8192");
    }
}

// Rebuilding a memo-keyed index sorts by each record's memo text, converted once: the
// rebuilt chain of a marked but intact index is the chain the appends made.
// Where the table header keeps its change stamp (the last 8 of its spare bytes).
constexpr std::size_t kChangeStamp = 4813;
constexpr std::size_t kChangeStampSize = 8;

TEST_F(HostileFileTest, MarkedMemoIndexIsRebuiltInTheOrderTheAppendsMade) {
    auto image = chimdb_fuzz::MemoIndexRebuildImage(60);
    FuzzImageFile file(image.data(), image.size());
    ReadOutcome outcome = Read(file);
    EXPECT_EQ(outcome.tablesRead, 1u) << outcome.firstError;
    EXPECT_EQ(outcome.records, 63u * 5);
    auto expected = image;
    const std::size_t header = chimdb_fuzz::TableHeaderAt(expected);
    expected.at(header + chimdb_fuzz::kResortMarkers + chimdb_fuzz::kMemoIndex) = 0;
    // The rebuild is a change to the table, so it renews the table's change stamp; nothing
    // else but the marker differs.
    const std::vector<std::uint8_t>& rebuilt = file.Image();
    ASSERT_EQ(rebuilt.size(), expected.size());
    std::copy_n(rebuilt.begin() + header + kChangeStamp, kChangeStampSize,
                expected.begin() + header + kChangeStamp);
    EXPECT_EQ(rebuilt, expected);
}

}  // namespace
}  // namespace chimdb
