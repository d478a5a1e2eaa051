#include <gtest/gtest.h>

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "chimdb/chim_blob_stream.h"
#include "chimdb/database_error.h"
#include "table_io/optim_blob_stream.h"

namespace chimdb {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes B(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

Bytes ContentOf(MemoryStream& stream) {
    auto content = stream.Content();
    return Bytes(content.begin(), content.end());
}

// Stands in for the file I/O: blobs by descriptor position, with a count of loads.
class FakeBlobLoader : public BlobLoader {
  public:
    void LoadBlob(std::int64_t descriptorPosition, bool encrypted, bool compressed,
                  Bytes& content) override {
        ++loads;
        lastEncrypted = encrypted;
        lastCompressed = compressed;
        if (failNext) {
            failNext = false;
            throw DatabaseError("Stream read error");
        }
        content = blobs.at(descriptorPosition);
    }

    std::map<std::int64_t, Bytes> blobs;
    int loads = 0;
    bool lastEncrypted = false;
    bool lastCompressed = false;
    bool failNext = false;
};

// Stands in for the table cursor: one record buffer's blob streams and the notices.
class FakeBlobFieldHost : public BlobFieldHost {
  public:
    explicit FakeBlobFieldHost(BlobLoader* loader) : field3(loader) {}

    OptimBlobStream& ActiveBlobStream(int fieldNo) override {
        if (fieldNo != 3)
            throw std::logic_error("unexpected field");
        return field3;
    }
    void SetFieldModified(int fieldNo) override { modified.push_back(fieldNo); }
    void FieldDataChanged(int fieldNo) override { changed.push_back(fieldNo); }

    OptimBlobStream field3;
    std::vector<int> modified;
    std::vector<int> changed;
};

class BlobStreamTest : public ::testing::Test {
  protected:
    BlobStreamTest() : host(&loader) {
        loader.blobs[700] = B("stored picture bytes");
        host.field3.SetLoadInfo(700, true, false);
    }

    FakeBlobLoader loader;
    FakeBlobFieldHost host;
};

TEST_F(BlobStreamTest, AStoredBlobIsReadOnlyOnFirstReadAndOnlyOnce) {
    OptimBlobStream& stream = host.field3;
    EXPECT_EQ(loader.loads, 0);
    EXPECT_FALSE(stream.IsLoaded());
    char buffer[6] = {};
    EXPECT_EQ(stream.Read(buffer, 6), 6u);
    EXPECT_EQ(std::string(buffer, 6), "stored");
    EXPECT_EQ(stream.Read(buffer, 6), 6u);
    EXPECT_EQ(loader.loads, 1);
    EXPECT_TRUE(loader.lastEncrypted);
    EXPECT_FALSE(loader.lastCompressed);

    // New load info (the next record) loads again.
    loader.blobs[900] = B("next");
    stream.SetLoadInfo(900, false, true);
    stream.Seek(0, SeekOrigin::kBegin);
    EXPECT_EQ(ContentOf(stream), B("next"));
    EXPECT_EQ(loader.loads, 2);
}

TEST_F(BlobStreamTest, SeekAndSizeLoadToo) {
    EXPECT_EQ(host.field3.Seek(0, SeekOrigin::kEnd), 20u);
    EXPECT_EQ(loader.loads, 1);
    OptimBlobStream other(&loader);
    other.SetLoadInfo(700, false, false);
    EXPECT_EQ(other.Size(), 20u);
}

TEST_F(BlobStreamTest, NothingIsLoadedWithoutADescriptor) {
    OptimBlobStream stream(&loader);
    stream.SetLoadInfo(0, true, true);
    char c;
    EXPECT_EQ(stream.Read(&c, 1), 0u);
    EXPECT_EQ(loader.loads, 0);
}

TEST_F(BlobStreamTest, WritingBeforeReadingReplacesTheStoredBlobUnread) {
    OptimBlobStream& stream = host.field3;
    stream.Write("new", 3);
    EXPECT_TRUE(stream.IsLoaded());
    EXPECT_EQ(ContentOf(stream), B("new"));

    OptimBlobStream sized(&loader);
    sized.SetLoadInfo(700, false, false);
    sized.SetSize(0);
    EXPECT_EQ(sized.Size(), 0u);
    EXPECT_EQ(loader.loads, 0);
}

TEST_F(BlobStreamTest, AFailedLoadIsRetriedNotTakenAsAnEmptyBlob) {
    loader.failNext = true;
    char buffer[6];
    EXPECT_THROW(host.field3.Read(buffer, 6), DatabaseError);
    EXPECT_FALSE(host.field3.IsLoaded());
    EXPECT_EQ(host.field3.Read(buffer, 6), 6u);
    EXPECT_EQ(ContentOf(host.field3), B("stored picture bytes"));
}

TEST_F(BlobStreamTest, ReadModeCopiesTheRecordBlobAndWritesStayLocal) {
    ChimBlobStream blob(host, 3, ChimBlobStream::kModeRead);
    EXPECT_TRUE(blob.IsOpened());
    EXPECT_EQ(blob.Position(), 0u);
    EXPECT_EQ(ContentOf(blob), B("stored picture bytes"));

    blob.Write("XYZ", 3);
    EXPECT_EQ(ContentOf(blob), B("XYZred picture bytes"));
    EXPECT_EQ(ContentOf(host.field3), B("stored picture bytes"));
    EXPECT_FALSE(blob.IsModified());
    EXPECT_TRUE(host.modified.empty());
    EXPECT_TRUE(host.changed.empty());
}

TEST_F(BlobStreamTest, WriteModeOpenedAndClosedWithoutWritingEmptiesTheField) {
    {
        ChimBlobStream blob(host, 3, ChimBlobStream::kModeWrite);
        EXPECT_TRUE(blob.IsModified());
        EXPECT_EQ(blob.Size(), 0u);
    }
    EXPECT_EQ(host.field3.Size(), 0u);
    EXPECT_EQ(loader.loads, 0) << "the old blob is replaced without being read";
    EXPECT_EQ(host.modified, std::vector<int>{3});
}

TEST_F(BlobStreamTest, ReadWriteModeCopiesEveryWriteIntoTheRecordBuffer) {
    ChimBlobStream blob(host, 3, ChimBlobStream::kModeReadWrite);
    blob.SetSize(0);
    blob.Write("0123456789", 10);
    blob.Write("abcde", 5);
    EXPECT_EQ(blob.Position(), 15u);
    EXPECT_EQ(ContentOf(host.field3), B("0123456789abcde"));
    EXPECT_TRUE(blob.IsModified());
    EXPECT_EQ(host.changed, (std::vector<int>{3, 3}));
    EXPECT_EQ(host.modified, (std::vector<int>{3, 3}));
}

TEST_F(BlobStreamTest, WriteModeKeepsItsPositionAcrossWriteBacks) {
    ChimBlobStream blob(host, 3, ChimBlobStream::kModeWrite);
    blob.Write("hello world", 11);
    blob.Seek(6, SeekOrigin::kBegin);
    blob.Write("WORLD", 5);
    EXPECT_EQ(blob.Position(), 11u);
    EXPECT_EQ(ContentOf(host.field3), B("hello WORLD"));
}

TEST(MemoryStreamTest, PositionPastTheEndAndClamping) {
    MemoryStream stream;
    stream.Seek(4, SeekOrigin::kBegin);
    stream.Write("x", 1);
    EXPECT_EQ(ContentOf(stream), (Bytes{0, 0, 0, 0, 'x'}));
    EXPECT_EQ(stream.Seek(-100, SeekOrigin::kCurrent), 0u);
    stream.Seek(3, SeekOrigin::kBegin);
    stream.SetSize(2);
    EXPECT_EQ(stream.Position(), 2u);
    char c;
    EXPECT_EQ(stream.Read(&c, 1), 0u);
}

}  // namespace
}  // namespace chimdb
