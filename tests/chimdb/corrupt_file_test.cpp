// Damaged database files must be refused with a DatabaseError, never crash, hang or read
// outside the file. Run under AddressSanitizer to make the last point bite.

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "chimdb/database_error.h"
#include "format_test_util.h"

namespace chimdb {
namespace {

using testing::OpenEverything;
using testing::SampleDatabase;

// The first `length` bytes of an image, without copying it.
class PrefixView : public File {
  public:
    PrefixView(const std::vector<std::uint8_t>& image, std::size_t length)
        : image_(image), length_(length) {}

    std::size_t ReadAt(std::int64_t offset, std::span<std::uint8_t> dst) override {
        if (offset < 0)
            RaiseError(format::kMsgCorrupt, Name());
        if (static_cast<std::size_t>(offset) >= length_)
            return 0;
        std::size_t count = std::min(dst.size(), length_ - static_cast<std::size_t>(offset));
        std::memcpy(dst.data(), image_.data() + offset, count);
        return count;
    }
    void WriteAt(std::int64_t, std::span<const std::uint8_t>) override {
        FAIL() << "opening must not write";
    }
    std::int64_t Size() override { return static_cast<std::int64_t>(length_); }
    void Sync() override {}
    std::string Name() const override { return "prefix.db"; }

  private:
    const std::vector<std::uint8_t>& image_;
    std::size_t length_;
};

enum class Outcome { Opened, Refused };

Outcome TryOpen(File& file) {
    try {
        OpenEverything(file);
        return Outcome::Opened;
    } catch (const DatabaseError&) {
        return Outcome::Refused;
    }
    // Any other exception escapes and fails the test.
}

TEST(CorruptFile, SampleOpensCompletely) {
    MemoryFile file = SampleDatabase();
    // 1030 records with every seventh deleted, plus 3 with none of the deleted positions.
    EXPECT_EQ(OpenEverything(file), 1030 - 147 + 3 - 0);
}

TEST(CorruptFile, EveryTruncationIsRefusedCleanly) {
    MemoryFile file = SampleDatabase();
    const auto& image = file.Image();
    std::size_t opened = 0;
    for (std::size_t length = 0; length < image.size(); ++length) {
        PrefixView view(image, length);
        if (TryOpen(view) == Outcome::Opened)
            ++opened;
    }
    // Every truncation cuts into the last record, so none of them opens completely.
    EXPECT_EQ(opened, 0u);
}

TEST(CorruptFile, TruncatedHeaderMessages) {
    MemoryFile file = SampleDatabase(5);
    {
        PrefixView view(file.Image(), 11);
        CompressMgr compress;
        EncryptMgr encrypt;
        EXPECT_THROW(
            {
                try {
                    Prologue::Read(view, compress, encrypt);
                } catch (const DatabaseError& e) {
                    EXPECT_STREQ(e.what(), "Database file 'prefix.db' is a invalid ChimDB");
                    throw;
                }
            },
            DatabaseError);
    }
    PrefixView view(file.Image(), 3000);
    CompressMgr compress;
    EncryptMgr encrypt;
    try {
        Prologue::Read(view, compress, encrypt);
        FAIL() << "a file without its table directory opened";
    } catch (const DatabaseError& e) {
        EXPECT_STREQ(e.what(), "Database file 'prefix.db' is corrupt");
    }
}

// Flips random bytes, biased towards the structures (prologue and table headers), where
// a damaged value matters most.
TEST(CorruptFile, RandomByteFlipsNeverCrash) {
    const MemoryFile sample = SampleDatabase();
    const std::size_t structureEnd = format::kPrologueEnd + 3 * format::kTableHeaderSize;
    std::mt19937 random(20240521);
    int opened = 0;
    int refused = 0;
    for (int round = 0; round < 4000; ++round) {
        MemoryFile file(sample.Image(), "flipped.db");
        int flips = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < flips; ++i) {
            std::size_t limit = (random() % 2) ? structureEnd : file.Image().size();
            std::size_t at = random() % limit;
            file.Image()[at] = static_cast<std::uint8_t>(random());
        }
        (TryOpen(file) == Outcome::Opened ? opened : refused)++;
    }
    // Both outcomes occur: flips in uninterpreted bytes are harmless, others are caught.
    EXPECT_GT(opened, 0);
    EXPECT_GT(refused, 0);
}

// Values chosen to hit each check: loops, links past the end, counts out of range.
TEST(CorruptFile, HostileStructuresAreRefused) {
    struct Case {
        const char* what;
        std::function<void(MemoryFile&, const Prologue&)> damage;
    };
    auto tableAt = [](const Prologue& p, int t) { return p.directory.tableHeaderOffsets[t]; };
    auto putI32 = [](MemoryFile& f, std::int64_t at, std::int32_t v) {
        std::uint8_t b[4];
        le::PutI32(b, 0, v);
        f.WriteAt(at, b);
    };
    std::vector<Case> cases{
        {"table count 257", [&](MemoryFile& f, const Prologue&) { putI32(f, 2789, 257); }},
        {"table count -1", [&](MemoryFile& f, const Prologue&) { putI32(f, 2789, -1); }},
        {"table header inside the prologue",
         [&](MemoryFile& f, const Prologue&) { putI32(f, 2789 + 8, 100); }},
        {"table header past the end",
         [&](MemoryFile& f, const Prologue&) { putI32(f, 2789 + 8, 0x7FFFFFF0); }},
        {"field count 0",
         [&](MemoryFile& f, const Prologue& p) { putI32(f, tableAt(p, 0) + 45, 0); }},
        {"field count 97",
         [&](MemoryFile& f, const Prologue& p) { putI32(f, tableAt(p, 0) + 45, 97); }},
        {"index count 9",
         [&](MemoryFile& f, const Prologue& p) { putI32(f, tableAt(p, 0) + 4177, 9); }},
        {"key field beyond the fields",
         [&](MemoryFile& f, const Prologue& p) { putI32(f, tableAt(p, 0) + 4181 + 34, 4); }},
        {"negative key field",
         [&](MemoryFile& f, const Prologue& p) { putI32(f, tableAt(p, 0) + 4181 + 34, -2); }},
        {"negative record count",
         [&](MemoryFile& f, const Prologue& p) { putI32(f, tableAt(p, 0) + 37, -5); }},
        {"huge record count",
         [&](MemoryFile& f, const Prologue& p) { putI32(f, tableAt(p, 0) + 37, 0x7FFFFFFF); }},
        {"record table past the end",
         [&](MemoryFile& f, const Prologue& p) { putI32(f, tableAt(p, 0) + 33, 0x7FFFF000); }},
        {"negative record table offset",
         [&](MemoryFile& f, const Prologue& p) { putI32(f, tableAt(p, 0) + 33, -4096); }},
        {"record table block linked to itself",
         [&](MemoryFile& f, const Prologue& p) {
             auto header = p.ReadTableHeader(f, 0);
             putI32(f, header.RecTabOffset, header.RecTabOffset);
         }},
        {"index block linked past the end",
         [&](MemoryFile& f, const Prologue& p) {
             auto header = p.ReadTableHeader(f, 0);
             putI32(f, header.indexes[1].IndexTabOffset, static_cast<std::int32_t>(f.Size()));
         }},
        {"index chain that loops",
         [&](MemoryFile& f, const Prologue& p) {
             auto header = p.ReadTableHeader(f, 1);
             // Record 2 links back to record 0, the head of index 0.
             putI32(f, header.indexes[0].IndexTabOffset + 4 + 2 * 8 + 4, 0);
         }},
        {"index chain link out of range",
         [&](MemoryFile& f, const Prologue& p) {
             auto header = p.ReadTableHeader(f, 1);
             putI32(f, header.indexes[0].IndexTabOffset + 4 + 1 * 8 + 4, 3);
         }},
        {"head record out of range",
         [&](MemoryFile& f, const Prologue& p) { putI32(f, tableAt(p, 1) + 4181 + 70, 3); }},
        {"record data past the end",
         [&](MemoryFile& f, const Prologue& p) {
             auto header = p.ReadTableHeader(f, 1);
             putI32(f, header.RecTabOffset + 4, static_cast<std::int32_t>(f.Size() - 2));
         }},
        {"huge string size",
         [&](MemoryFile& f, const Prologue& p) { putI32(f, tableAt(p, 1) + 49 + 34, 0x7FFFFFFE); }},
        {"cipher mode 9", [&](MemoryFile& f, const Prologue&) { f.Image()[2317 + 36] = 9; }},
    };
    const MemoryFile sample = SampleDatabase();
    for (const Case& c : cases) {
        MemoryFile file(sample.Image(), "hostile.db");
        {
            CompressMgr compress;
            EncryptMgr encrypt;
            Prologue prologue = Prologue::Read(file, compress, encrypt);
            c.damage(file, prologue);
        }
        try {
            OpenEverything(file);
            ADD_FAILURE() << c.what << ": opened";
        } catch (const DatabaseError& e) {
            EXPECT_STREQ(e.what(), "Database file 'hostile.db' is corrupt") << c.what;
        }
    }
}

TEST(CorruptFile, UnknownFieldTypeMakesTheTableUnusable) {
    MemoryFile file = SampleDatabase(5);
    CompressMgr compress;
    EncryptMgr encrypt;
    Prologue prologue = Prologue::Read(file, compress, encrypt);
    file.Image()[prologue.directory.tableHeaderOffsets[2] + 49 + 33] = 8;  // no such type
    try {
        OpenEverything(file);
        FAIL();
    } catch (const DatabaseError& e) {
        EXPECT_STREQ(e.what(), "General error");
    }
}

}  // namespace
}  // namespace chimdb
