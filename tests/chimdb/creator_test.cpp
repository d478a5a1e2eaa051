#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "chimdb/code_page.h"
#include "chimdb/database_error.h"
#include "codec/password_hash.h"
#include "file/disk_file.h"
#include "format_test_util.h"

namespace chimdb {
namespace {

using testing::Field;
using testing::SampleSchema;

std::string Refusal(DatabaseSchema schema) {
    try {
        DatabaseCreator creator(std::move(schema));
        return "accepted";
    } catch (const DatabaseError& e) {
        return e.what();
    }
}

TEST(DatabaseCreatorTest, LaysOutANewFile) {
    DatabaseSchema schema = SampleSchema();
    schema.password = "铃声";  // stored hash is of the code page bytes
    schema.verifyWrites = true;
    MemoryFile file(DatabaseCreator(schema).BuildImage());
    ASSERT_EQ(file.Size(), 3821 + 3 * 4821);

    CompressMgr compress;
    EncryptMgr encrypt;
    Prologue prologue = Prologue::Read(file, compress, encrypt);
    EXPECT_EQ(prologue.fileHeader.version, "2.0");
    const ProcessHeader& process = prologue.processHeader;
    EXPECT_TRUE(process.CompressEnabled);
    EXPECT_EQ(process.CompressAlgoName, "ZLIB");
    EXPECT_TRUE(process.EncryptEnabled);
    EXPECT_EQ(process.EncryptAlgoName, "Blowfish");
    EXPECT_EQ(process.EncryptMode, 1);
    EXPECT_TRUE(process.VerifyWrites);
    EXPECT_EQ(process.PasswordHash, PasswordHashText(ToCodePage("铃声")));

    for (std::int32_t t = 0; t < 3; ++t) {
        EXPECT_EQ(prologue.directory.tableHeaderOffsets[t], 3821 + t * 4821);
        TableHeader header = prologue.ReadTableHeader(file, t);
        EXPECT_EQ(header.RecTabOffset, 0);
        EXPECT_EQ(header.RecordCount, 0);
        EXPECT_EQ(header.AutoIncCounter, 0);
        for (const IndexDefItem& index : header.indexes) {
            EXPECT_EQ(index.IndexTabOffset, 0);
            EXPECT_EQ(index.HeadRecord, 0);
        }
    }
    TableHeader ring = prologue.ReadTableHeader(file, 0);
    EXPECT_EQ(ring.indexes[1].fieldNumbers, (std::vector<std::int32_t>{1, 0}));
    EXPECT_EQ(ring.indexes[1].Options, tiDescending);
    EXPECT_EQ(RecordLayout::Compute(ring.fields).RecordSize, 4 + 9 + 33 + 20);
}

TEST(DatabaseCreatorTest, PlainFileHasNoPasswordHash) {
    DatabaseSchema schema = SampleSchema();
    schema.cipher.reset();
    MemoryFile file(DatabaseCreator(schema).BuildImage());
    CompressMgr compress;
    EncryptMgr encrypt;
    Prologue prologue = Prologue::Read(file, compress, encrypt);
    EXPECT_FALSE(prologue.processHeader.EncryptEnabled);
    EXPECT_EQ(prologue.processHeader.PasswordHash, "");
}

TEST(DatabaseCreatorTest, RefusesInvalidSchemas) {
    auto with = [](auto change) {
        DatabaseSchema schema = SampleSchema();
        change(schema);
        return Refusal(schema);
    };
    EXPECT_EQ(with([](DatabaseSchema& s) { s.cipher = "Rot13"; }),
              "Encryption algorithm module 'Rot13' not found");
    EXPECT_EQ(with([](DatabaseSchema& s) { s.mode = 5; }), "Cipher mode 5 is out of range 0..4");
    EXPECT_EQ(with([](DatabaseSchema& s) { s.tables[1].name = "RING1_7"; }),
              "Duplicate table name 'RING1_7'");
    EXPECT_EQ(with([](DatabaseSchema& s) { s.tables[0].name = std::string(33, 'x'); }),
              "Table name '" + std::string(33, 'x') + "' is longer than 32 bytes");
    // 16 Chinese characters are 32 GBK bytes and fit; 17 do not.
    std::string sixteen;
    for (int i = 0; i < 16; ++i)
        sixteen += "铃";
    EXPECT_EQ(with([&](DatabaseSchema& s) { s.tables[0].name = sixteen; }), "accepted");
    EXPECT_EQ(with([&](DatabaseSchema& s) { s.tables[0].name = sixteen + "铃"; }),
              "Table name '" + sixteen + "铃' is longer than 32 bytes");
    EXPECT_EQ(with([](DatabaseSchema& s) { s.tables[0].name = ""; }), "Table name is empty");
    EXPECT_EQ(with([](DatabaseSchema& s) { s.tables[2].fields.clear(); }),
              "Table 'Config' has no fields");
    EXPECT_EQ(with([](DatabaseSchema& s) { s.tables[2].fields[1].name = "key"; }),
              "Duplicate field name 'key'");
    EXPECT_EQ(with([](DatabaseSchema& s) { s.tables[2].fields[1].fieldType = 8; }),
              "Field 'VAL' of table 'Config' has an unknown type");
    EXPECT_EQ(with([](DatabaseSchema& s) { s.tables[2].fields[0].fieldSize = 0; }),
              "String field 'KEY' of table 'Config' needs a size of at least 1");
    EXPECT_EQ(with([](DatabaseSchema& s) { s.tables[1].indexes[0].fields = {"NAMES"}; }),
              "Index 'NAME' of table 'FANGAN' names the unknown field 'NAMES'");
    EXPECT_EQ(with([](DatabaseSchema& s) {
                  s.tables[1].indexes[0].fields = {"NAME", "name"};
              }),
              "Index 'NAME' of table 'FANGAN' names the field 'name' twice");
    EXPECT_EQ(with([](DatabaseSchema& s) { s.tables[1].indexes[0].fields.clear(); }),
              "Index 'NAME' of table 'FANGAN' has no key fields");
    EXPECT_EQ(
        with([](DatabaseSchema& s) { s.tables[1].indexes.push_back(s.tables[1].indexes[0]); }),
        "Duplicate index name 'NAME'");
    EXPECT_EQ(with([](DatabaseSchema& s) { s.tables[0].fields[1].name = "\xF0\x9F\x94\x94"; }),
              "Text '\xF0\x9F\x94\x94' cannot be stored in the database code page");
}

TEST(DatabaseCreatorTest, LimitsOfCounts) {
    auto fields = [](int count) {
        std::vector<FieldSchema> out;
        for (int i = 0; i < count; ++i)
            out.push_back(Field(("F" + std::to_string(i)).c_str(), FieldType::ftInteger));
        return out;
    };
    DatabaseSchema schema;
    schema.tables = {TableSchema{"T", fields(96), {}}};
    for (int i = 0; i < 8; ++i)
        schema.tables[0].indexes.push_back(IndexSchema{
            "I" + std::to_string(i), {"F0", "F1", "F2", "F3", "F4", "F5", "F6", "F7"}, 0});
    EXPECT_EQ(Refusal(schema), "accepted");
    schema.tables[0].indexes[0].fields.push_back("F8");
    EXPECT_EQ(Refusal(schema), "Index 'I0' of table 'T' has more than 8 key fields");
    schema.tables[0].indexes[0].fields.pop_back();
    schema.tables[0].indexes.push_back(IndexSchema{"I8", {"F0"}, 0});
    EXPECT_EQ(Refusal(schema), "Table 'T' has more than 8 indexes");
    schema.tables[0].indexes.pop_back();
    schema.tables[0].fields = fields(97);
    EXPECT_EQ(Refusal(schema), "Table 'T' has more than 96 fields");

    DatabaseSchema many;
    for (int i = 0; i < 256; ++i)
        many.tables.push_back(TableSchema{"T" + std::to_string(i), fields(1), {}});
    MemoryFile file(DatabaseCreator(many).BuildImage());
    CompressMgr compress;
    EncryptMgr encrypt;
    Prologue prologue = Prologue::Read(file, compress, encrypt);
    EXPECT_EQ(prologue.ReadTableHeader(file, 255).name, "T255");
    many.tables.push_back(TableSchema{"T256", fields(1), {}});
    EXPECT_EQ(Refusal(many), "A database holds at most 256 tables");
}

TEST(DatabaseCreatorTest, CreatesADiskFileOnlyOnce) {
    std::string path = (std::filesystem::temp_directory_path() /
                        ("chimdb_creator_" + std::to_string(::getpid()) + ".db"))
                           .string();
    std::filesystem::remove(path);
    DatabaseCreator creator(SampleSchema());
    creator.CreateFile(path);
    {
        DiskFile file(path, DiskFile::Access::ReadOnly);
        EXPECT_EQ(testing::OpenEverything(file), 0);
    }
    try {
        creator.CreateFile(path);
        FAIL();
    } catch (const DatabaseError& e) {
        EXPECT_EQ(std::string(e.what()), "Database file '" + path + "' already exists");
    }
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace chimdb
