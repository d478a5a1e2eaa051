#include <gtest/gtest.h>

#include <array>

#include "chimdb/database_error.h"
#include "file/le_bytes.h"
#include "format/blob_descriptor.h"
#include "format/file_header.h"
#include "format/record_layout.h"
#include "format/table_header.h"

namespace chimdb {
namespace {

std::string CheckMessage(const std::string& magic, const std::string& version) {
    try {
        FileHeader{magic, version}.Check("x.db");
        return "accepted";
    } catch (const DatabaseError& e) {
        return e.what();
    }
}

TEST(FileHeaderTest, VersionRules) {
    EXPECT_EQ(CheckMessage("ChimDB", "2.0"), "accepted");
    EXPECT_EQ(CheckMessage("ChimDB", "1.50"), "accepted");
    EXPECT_EQ(CheckMessage("ChimDB", "2"), "accepted");  // a prefix is the smaller
    EXPECT_EQ(CheckMessage("ChimDB", "1.00"), "Version 1.00 is not compatible");
    EXPECT_EQ(CheckMessage("ChimDB", "2.01"), "Version of database file is too High");
    EXPECT_EQ(CheckMessage("ChimDB", "3.0"), "Version of database file is too High");
    // Byte-wise: bytes above 0x7F are greater, not negative.
    EXPECT_EQ(CheckMessage("ChimDB", "\xB2.0"), "Version of database file is too High");
    EXPECT_EQ(CheckMessage("ChimDb", "2.0"), "Database file 'x.db' is a invalid ChimDB");
    // The magic is checked before the version.
    EXPECT_EQ(CheckMessage("Other", "1.00"), "Database file 'x.db' is a invalid ChimDB");
}

TEST(FileHeaderTest, TextsEndAtNulOrFillTheirField) {
    std::array<std::uint8_t, 12> bytes{};
    FileHeader::Current().Serialize(bytes);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), std::string("ChimDB\0"
                                                                   "2.0\0\0",
                                                                   12));
    std::string full = "ChimDB!2.001";  // no NUL anywhere: each text fills its field
    FileHeader parsed =
        FileHeader::Parse(std::span(reinterpret_cast<const std::uint8_t*>(full.data()), 12));
    EXPECT_EQ(parsed.magic, "ChimDB!");
    EXPECT_EQ(parsed.version, "2.001");
}

TEST(RecordLayoutTest, WidthsOfEveryType) {
    std::vector<FieldDefItem> fields{
        {"S", 1, 10, 0}, {"FC", 23, 3, 0},    {"SI", 2, 99, 0}, {"W", 4, 0, 0},
        {"B", 5, 0, 0},  {"I", 3, 0, 0},      {"AI", 14, 0, 0}, {"D", 9, 0, 0},
        {"T", 10, 0, 0}, {"F", 6, 0, 0},      {"C", 7, 0, 0},   {"DT", 11, 0, 0},
        {"L", 25, 0, 0}, {"BL", 15, 5000, 0}, {"TB", 21, 0, 0}, {"OC", 31, 0, 0},
    };
    RecordLayout layout = RecordLayout::Compute(fields);
    std::vector<std::int32_t> expected{0,  11, 15, 17, 19, 21, 25, 29,
                                       33, 37, 45, 53, 61, 69, 89, 109};
    EXPECT_EQ(layout.FieldOffsets, expected);
    EXPECT_EQ(layout.RecordSize, 129);
}

TEST(RecordLayoutTest, UnknownTypeIsAGeneralError) {
    for (std::uint8_t code : {0, 8, 12, 13, 22, 24, 26, 29, 32, 255}) {
        try {
            RecordLayout::Compute({{"X", code, 4, 0}});
            ADD_FAILURE() << "type " << int(code);
        } catch (const DatabaseError& e) {
            EXPECT_STREQ(e.what(), "General error");
        }
    }
}

TEST(BlobDescriptorTest, AllocationAlwaysExceedsTheData) {
    EXPECT_EQ(BlobDescriptor::AllocationFor(0), 64);
    EXPECT_EQ(BlobDescriptor::AllocationFor(63), 64);
    EXPECT_EQ(BlobDescriptor::AllocationFor(64), 128);
    EXPECT_EQ(BlobDescriptor::AllocationFor(130), 192);
}

TableHeader SampleHeader() {
    TableHeader header;
    header.name = "Ring1_7";
    header.RecTabOffset = 9000;
    header.RecordCount = 2;
    header.AutoIncCounter = 7;
    header.fields = {{"ID", 14, 0, 0}, {"RINGDESC", 1, 32, 1}};
    header.indexes = {{"ID", tiPrimary | tiUnique, {0}, 20000, 1},
                      {"DESC", tiDescending | tiCaseInsensitive, {1, 0}, 0, 0}};
    return header;
}

TEST(TableHeaderTest, RoundTripsAndKeepsUninterpretedBytes) {
    std::vector<std::uint8_t> bytes(format::kTableHeaderSize);
    SampleHeader().Serialize(bytes);
    // Key field lists end with -1; the last, uninterpreted 16 bytes stay zero.
    EXPECT_EQ(le::GetI32(bytes, 4181 + 34 + 4), -1);
    EXPECT_EQ(le::GetI32(bytes, 4181 + 78 + 34 + 8), -1);
    bytes[4805] = 0xAB;        // uninterpreted tail
    bytes[49 + 43 + 39] = 7;   // uninterpreted bytes of a field slot
    bytes[49 + 43 * 5] = 'Z';  // an unused field slot

    TableHeader parsed = TableHeader::Parse(bytes, 40000, "x.db");
    EXPECT_EQ(parsed.name, "Ring1_7");
    EXPECT_EQ(parsed.RecordCount, 2);
    EXPECT_EQ(parsed.AutoIncCounter, 7);
    ASSERT_EQ(parsed.fields.size(), 2u);
    EXPECT_EQ(parsed.fields[1].fieldSize, 32);
    EXPECT_EQ(parsed.fields[1].ProcessFlag, 1);
    ASSERT_EQ(parsed.indexes.size(), 2u);
    EXPECT_EQ(parsed.indexes[1].fieldNumbers, (std::vector<std::int32_t>{1, 0}));
    EXPECT_EQ(parsed.indexes[1].Options, tiDescending | tiCaseInsensitive);
    EXPECT_EQ(parsed.indexes[0].IndexTabOffset, 20000);
    EXPECT_EQ(parsed.indexes[0].HeadRecord, 1);

    parsed.indexes[0].HeadRecord = 0;
    std::vector<std::uint8_t> rewritten(format::kTableHeaderSize);
    parsed.Serialize(rewritten);
    bytes[4181 + 70] = 0;  // the only change
    EXPECT_EQ(rewritten, bytes);
}

TEST(TableHeaderTest, NameFillingItsWholeFieldIsRead) {
    std::vector<std::uint8_t> bytes(format::kTableHeaderSize);
    SampleHeader().Serialize(bytes);
    std::fill_n(bytes.begin(), 33, 'N');
    EXPECT_EQ(TableHeader::Parse(bytes, 40000, "x.db").name, std::string(33, 'N'));
}

TEST(TableHeaderTest, EightKeyFieldsNeedNoTerminator) {
    TableHeader header = SampleHeader();
    header.fields.resize(8, FieldDefItem{"F", 3, 0, 0});
    header.indexes[0].fieldNumbers = {7, 6, 5, 4, 3, 2, 1, 0};
    std::vector<std::uint8_t> bytes(format::kTableHeaderSize);
    header.Serialize(bytes);
    EXPECT_EQ(TableHeader::Parse(bytes, 40000, "x.db").indexes[0].fieldNumbers,
              header.indexes[0].fieldNumbers);
}

TEST(TableHeaderTest, OffsetsMustLieInTheFile) {
    std::vector<std::uint8_t> bytes(format::kTableHeaderSize);
    SampleHeader().Serialize(bytes);
    // Index table block at 20000 needs 8196 bytes.
    EXPECT_NO_THROW(TableHeader::Parse(bytes, 28196, "x.db"));
    EXPECT_THROW(TableHeader::Parse(bytes, 28195, "x.db"), DatabaseError);
    // Records without a record table.
    TableHeader header = SampleHeader();
    header.RecTabOffset = 0;
    header.Serialize(bytes);
    EXPECT_THROW(TableHeader::Parse(bytes, 40000, "x.db"), DatabaseError);
}

}  // namespace
}  // namespace chimdb
