#include "table_io/field_buffers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "chimdb/database_error.h"
#include "chimdb/field_type.h"
#include "table_io/optim_blob_stream.h"

namespace chimdb {
namespace {

// Counts destructions, to see who frees a blob stream.
class CountedBlobStream : public OptimBlobStream {
  public:
    explicit CountedBlobStream(int& destroyed) : destroyed_(destroyed) {}
    ~CountedBlobStream() override { ++destroyed_; }

  private:
    int& destroyed_;
};

constexpr auto kInteger = static_cast<std::uint8_t>(FieldType::ftInteger);
constexpr auto kString = static_cast<std::uint8_t>(FieldType::ftString);
constexpr auto kMemo = static_cast<std::uint8_t>(FieldType::ftMemo);

TEST(FieldBuffersTest, ItemsFollowFieldSlotsAndPointIntoTheRecordBuffer) {
    std::uint8_t record[64] = {};
    int destroyed = 0;
    CountedBlobStream memo(destroyed);
    memo.Write("memo text", 9);
    OptimBlobStream* slot = &memo;
    std::memcpy(record + 30, &slot, sizeof slot);

    FieldBuffers buffers;
    buffers.Add(record, kInteger, 4);
    buffers.Add(record + 4, kString, 21);
    buffers.AddInactive();
    buffers.Add(record + 30, kMemo, kBlobDescriptorSize);

    ASSERT_EQ(buffers.Count(), 4u);
    EXPECT_EQ(buffers.Item(1).Data(), record + 4);
    EXPECT_EQ(buffers.Item(1).ValueAddress(), record + 4);
    EXPECT_EQ(buffers.Item(1).DataSize(), 21);
    EXPECT_FALSE(buffers.Item(1).IsBlob());
    EXPECT_TRUE(buffers.Item(1).Active());

    EXPECT_FALSE(buffers.Item(2).Active());
    EXPECT_EQ(buffers.Item(2).FieldType(), 0);
    EXPECT_EQ(buffers.Item(2).DataSize(), 0);

    EXPECT_TRUE(buffers.Item(3).IsBlob());
    EXPECT_EQ(buffers.Item(3).BlobStream(), &memo);
    EXPECT_EQ(buffers.Item(3).ValueAddress(), memo.Memory());

    // Borrowed data is left alone when the set goes.
    buffers.Clear();
    EXPECT_EQ(buffers.Count(), 0u);
    EXPECT_EQ(destroyed, 0);
}

TEST(FieldBuffersTest, EveryBlobTypeCodeIsABlob) {
    for (int code = 0; code < 40; ++code) {
        FieldBufferItem item(static_cast<std::uint8_t*>(nullptr), static_cast<std::uint8_t>(code),
                             0);
        bool expected = (code >= 15 && code <= 21) || code == 30 || code == 31;
        EXPECT_EQ(item.IsBlob(), expected) << code;
    }
}

TEST(FieldBuffersTest, OwnedDataIsFreedWithTheItem) {
    int destroyed = 0;
    {
        FieldBuffers buffers;
        FieldBufferItem& blob = buffers.AddBlob(nullptr, kMemo, kBlobDescriptorSize);
        blob.AdoptBlobStream(std::make_unique<CountedBlobStream>(destroyed));
        EXPECT_TRUE(blob.OwnsData());
        FieldBufferItem& plain = buffers.Add(nullptr, kInteger, 4);
        plain.AdoptData(std::make_unique<std::uint8_t[]>(4));
        EXPECT_NE(plain.Data(), nullptr);
        EXPECT_TRUE(plain.OwnsData());
    }
    EXPECT_EQ(destroyed, 1);
}

TEST(FieldBuffersTest, AnIndexPastTheEndRaises) {
    FieldBuffers buffers;
    buffers.Add(nullptr, kInteger, 4);
    EXPECT_THROW(buffers.Item(1), DatabaseError);
}

}  // namespace
}  // namespace chimdb
