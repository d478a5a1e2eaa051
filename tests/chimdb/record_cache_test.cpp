// The compact form of kept records and the chunks they are kept in: a record reads back as the
// plain image it was made from (text ends as zeros), and the budget holds however records come.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>

#include "chimdb/field_type.h"
#include "table_io/compact_record_layout.h"
#include "table_io/record_cache.h"

namespace chimdb {
namespace {

constexpr auto kInteger = static_cast<std::uint8_t>(FieldType::ftInteger);
constexpr auto kString = static_cast<std::uint8_t>(FieldType::ftString);

// ID (4 bytes), a text of width 6, a small integer, a text of width 4.
CompactRecordLayout RingLikeLayout() {
    return CompactRecordLayout(
        {kInteger, kString, static_cast<std::uint8_t>(FieldType::ftSmallint), kString},
        {0, 4, 10, 12}, {4, 6, 2, 4});
}

std::vector<std::uint8_t> Image(std::int32_t id, std::string_view first, std::int16_t small,
                                std::string_view second) {
    std::vector<std::uint8_t> image(16, 0);
    std::memcpy(image.data(), &id, 4);
    std::memcpy(image.data() + 4, first.data(), std::min<std::size_t>(first.size(), 6));
    std::memcpy(image.data() + 10, &small, 2);
    std::memcpy(image.data() + 12, second.data(), std::min<std::size_t>(second.size(), 4));
    return image;
}

TEST(CompactRecordLayoutTest, ReadsBackEveryFieldAndTextEndsAsZeros) {
    const CompactRecordLayout layout = RingLikeLayout();
    ASSERT_TRUE(layout.Usable());
    // The second text fills its width without a terminating zero; the first has bytes after
    // its zero that another writer left there.
    std::vector<std::uint8_t> image = Image(7, "ab", -3, "wxyz");
    image[7] = 'q';
    std::vector<std::uint8_t> compact(layout.SizeOf(image.data()));
    EXPECT_LT(compact.size(), image.size() + 4);
    layout.Pack(image.data(), compact.data());

    const auto text = [&](std::size_t field) {
        const auto bytes = layout.Field(compact.data(), field);
        return std::string(bytes.begin(), bytes.end());
    };
    EXPECT_EQ(text(1), std::string("ab\0", 3));
    EXPECT_EQ(text(3), "wxyz");
    std::int32_t id = 0;
    std::memcpy(&id, layout.Field(compact.data(), 0).data(), 4);
    EXPECT_EQ(id, 7);

    std::vector<std::uint8_t> unpacked(image.size(), 0xEE);
    layout.Unpack(compact.data(), unpacked.data());
    image[7] = 0;
    EXPECT_EQ(unpacked, image);
}

TEST(CompactRecordLayoutTest, RecordsOf64KiBOrMoreAreNotKeptCompact) {
    EXPECT_FALSE(CompactRecordLayout({kString, kString}, {0, 40000}, {40000, 40000}).Usable());
}

// Records of changing sizes come and go; what is found is always the last record kept under
// its number, and the memory never passes the budget.
TEST(RecordCacheTest, KeepsTheLatestRecordsWithinTheBudget) {
    constexpr std::size_t kLimit = 64 * 1024;
    RecordCache cache(kLimit);
    cache.Reset(200, 1000);
    std::map<std::int32_t, std::vector<std::uint8_t>> latest;
    std::mt19937 random(3);
    for (int round = 0; round < 5000; ++round) {
        const auto recNo = static_cast<std::int32_t>(random() % 1000);
        std::vector<std::uint8_t> record(1 + random() % 200, static_cast<std::uint8_t>(round));
        std::uint8_t* place = cache.Insert(recNo, record.size());
        ASSERT_NE(place, nullptr);
        std::memcpy(place, record.data(), record.size());
        latest[recNo] = record;
        ASSERT_LE(cache.MemoryUsed(), kLimit);
    }
    std::size_t found = 0;
    for (const auto& [recNo, record] : latest) {
        if (const std::uint8_t* kept = cache.Find(recNo)) {
            ++found;
            ASSERT_EQ(std::memcmp(kept, record.data(), record.size()), 0) << "record " << recNo;
        }
    }
    EXPECT_EQ(found, cache.Count());
    EXPECT_GT(found, 10u);
}

TEST(RecordCacheTest, ABudgetBelowOneRecordKeepsNothing) {
    RecordCache cache(100);
    cache.Reset(200, 10);
    EXPECT_EQ(cache.Insert(0, 150), nullptr);
    EXPECT_EQ(cache.Count(), 0u);
    EXPECT_LE(cache.MemoryUsed(), 100u);
}

}  // namespace
}  // namespace chimdb
