#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "chimdb/database_error.h"
#include "codec/comp_algo_zlib.h"
#include "codec/compress_mgr.h"
#include "tests/chimdb/cipher_test_bytes.h"

namespace chimdb {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::Pattern;

std::int32_t LengthWord(const Bytes& stored) {
    return static_cast<std::int32_t>(std::uint32_t{stored[0]} | (std::uint32_t{stored[1]} << 8) |
                                     (std::uint32_t{stored[2]} << 16) |
                                     (std::uint32_t{stored[3]} << 24));
}

Bytes WithLengthWord(std::int32_t length, const Bytes& rest) {
    auto bits = static_cast<std::uint32_t>(length);
    Bytes out;
    out.reserve(4 + rest.size());
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
    out.insert(out.end(), rest.begin(), rest.end());
    return out;
}

Bytes Compressible(std::size_t size) {
    Bytes out(size);
    for (std::size_t i = 0; i < size; ++i)
        out[i] = static_cast<std::uint8_t>("bell ring 08:00:00 "[i % 19]);
    return out;
}

std::string DecodeError(const Bytes& stored) {
    CompAlgo_Zlib zlib;
    Bytes out;
    try {
        zlib.DecodeStream(stored, out);
    } catch (const DatabaseError& e) {
        return e.what();
    }
    return "no error";
}

TEST(CompressZlibTest, StoresLengthWordAndAZlibStreamThatRoundTrips) {
    CompAlgo_Zlib zlib;
    for (std::size_t size : {1u, 1000u, 65536u, 65537u, 300000u}) {
        Bytes plain = Compressible(size);
        Bytes stored, back;
        zlib.EncodeStream(plain, stored);
        if (size > 100) {
            EXPECT_EQ(LengthWord(stored), static_cast<std::int32_t>(size));
            EXPECT_EQ(stored[4], 0x78) << "RFC 1950 header";
            EXPECT_LT(stored.size(), size);
        }
        zlib.DecodeStream(stored, back);
        EXPECT_EQ(back, plain) << size;
    }
}

TEST(CompressZlibTest, DataThatDoesNotShrinkIsStoredAsMinusNThenTheBytes) {
    CompAlgo_Zlib zlib;
    Bytes random = Pattern(100);
    Bytes stored, back;
    zlib.EncodeStream(random, stored);
    EXPECT_EQ(stored, WithLengthWord(-100, random));
    zlib.DecodeStream(stored, back);
    EXPECT_EQ(back, random);
}

TEST(CompressZlibTest, EmptyInEmptyOut) {
    CompAlgo_Zlib zlib;
    Bytes stored = {1, 2, 3}, back = {4};
    zlib.EncodeStream({}, stored);
    EXPECT_TRUE(stored.empty());
    zlib.DecodeStream({}, back);
    EXPECT_TRUE(back.empty());
}

TEST(CompressZlibTest, LevelMapsToZlibLevels) {
    EXPECT_EQ(CompAlgo_Zlib::ZlibLevel(0), 9);
    EXPECT_EQ(CompAlgo_Zlib::ZlibLevel(1), Z_DEFAULT_COMPRESSION);
    EXPECT_EQ(CompAlgo_Zlib::ZlibLevel(2), 1);
    EXPECT_EQ(CompAlgo_Zlib::ZlibLevel(3), 1);
    EXPECT_EQ(CompAlgo_Zlib::ZlibLevel(4), 0);
    EXPECT_EQ(CompAlgo_Zlib::ZlibLevel(-1), 0);
    EXPECT_EQ(CompAlgo_Zlib().Level(), 1);
}

TEST(CompressZlibTest, InflatesExactlyTheStoredLength) {
    // Another writer's stream may inflate to more than N: only N bytes are taken.
    CompAlgo_Zlib zlib;
    Bytes plain = Compressible(5000), stored, back;
    zlib.EncodeStream(plain, stored);
    Bytes shorter = stored;
    shorter[0] = 0x10;  // N = 5000 (0x1388) becomes 4880 (0x1310)
    zlib.DecodeStream(shorter, back);
    ASSERT_EQ(back.size(), static_cast<std::size_t>(LengthWord(shorter)));
    EXPECT_TRUE(std::equal(back.begin(), back.end(), plain.begin()));
}

TEST(CompressZlibTest, HostileStoredBytesRaiseTheStoreMessages) {
    CompAlgo_Zlib zlib;
    Bytes plain = Compressible(5000), stored;
    zlib.EncodeStream(plain, stored);

    // Claims more than the stream holds.
    Bytes longer = stored;
    longer[1] = static_cast<std::uint8_t>(longer[1] + 1);
    EXPECT_EQ(DecodeError(longer), "Stream read error");
    // Cut short.
    EXPECT_EQ(DecodeError(Bytes(stored.begin(), stored.begin() + stored.size() / 2)),
              "Stream read error");
    // Not a zlib stream.
    EXPECT_EQ(DecodeError(WithLengthWord(50, Bytes(40, 0xFF))), "error");
    // Too short for the length word.
    EXPECT_EQ(DecodeError(Bytes{1, 2}), "Stream read error");
    // A length far beyond what the data could inflate to is refused before allocating.
    EXPECT_EQ(DecodeError(WithLengthWord(0x7FFFFFFF, Bytes(stored.begin() + 4, stored.end()))),
              "Stream read error");
}

TEST(CompressZlibTest, FuzzedStoredBytesNeverCrash) {
    CompAlgo_Zlib zlib;
    Bytes plain = Compressible(3000), stored;
    zlib.EncodeStream(plain, stored);
    for (std::size_t i = 0; i < stored.size(); ++i) {
        for (std::uint8_t flip : {0x01, 0x80, 0xFF}) {
            Bytes bad = stored;
            bad[i] ^= flip;
            Bytes out;
            try {
                zlib.DecodeStream(bad, out);
            } catch (const DatabaseError&) {
            }
        }
    }
    for (std::size_t cut = 0; cut < stored.size(); ++cut) {
        Bytes out;
        try {
            zlib.DecodeStream(Bytes(stored.begin(), stored.begin() + cut), out);
        } catch (const DatabaseError&) {
        }
    }
}

TEST(CompressZlibTest, ReportsProgressUpTo100) {
    CompAlgo_Zlib zlib;
    std::vector<int> encode, decode;
    const void* sender = nullptr;
    zlib.SetEncodeProgress([&](const void* s, int p) {
        sender = s;
        encode.push_back(p);
    });
    zlib.SetDecodeProgress([&](const void*, int p) { decode.push_back(p); });
    Bytes plain = Compressible(200000), stored, back;
    zlib.EncodeStream(plain, stored);
    zlib.DecodeStream(stored, back);
    EXPECT_EQ(sender, &zlib);
    ASSERT_EQ(encode.size(), 4u);  // one per 65536-byte input buffer
    EXPECT_EQ(encode.front(), 33);
    EXPECT_EQ(encode.back(), 100);
    ASSERT_FALSE(decode.empty());
    EXPECT_EQ(decode.back(), 100);
    EXPECT_TRUE(std::is_sorted(decode.begin(), decode.end()));

    encode.clear();
    zlib.EncodeStream({}, stored);
    EXPECT_EQ(encode, std::vector<int>{0});
}

TEST(CompressMgrTest, SelectsZlibByNameInAnyCase) {
    CompressMgr mgr;
    EXPECT_FALSE(mgr.HasAlgo());
    mgr.SetAlgoName("zlib");
    EXPECT_TRUE(mgr.HasAlgo());
    Bytes plain = Compressible(1000), stored, back;
    mgr.EncodeStream(plain, stored);
    mgr.DecodeStream(stored, back);
    EXPECT_EQ(back, plain);
}

TEST(CompressMgrTest, UnknownNameAndMissingAlgorithmRaiseTheirMessages) {
    CompressMgr mgr;
    try {
        mgr.SetAlgoName("LZMA");
        FAIL();
    } catch (const DatabaseError& e) {
        EXPECT_STREQ(e.what(), "Compression algorithm module 'LZMA' not found");
    }
    Bytes out;
    try {
        mgr.EncodeStream(Bytes{1}, out);
        FAIL();
    } catch (const DatabaseError& e) {
        EXPECT_STREQ(e.what(), "General error");
    }
    EXPECT_THROW(mgr.DecodeStream(Bytes{1}, out), DatabaseError);
}

TEST(CompressMgrTest, ForwardsProgressOnlyToHandlersThatAreSet) {
    DataProcessEvents events;
    CompressMgr mgr(&events);
    mgr.SetAlgoName("ZLIB");
    Bytes plain = Compressible(1000), stored, back;
    mgr.EncodeStream(plain, stored);  // no handler: nothing to call, no crash

    std::vector<int> compress, uncompress;
    events.OnCompressProgress = [&](const void*, int p) { compress.push_back(p); };
    events.OnUncompressProgress = [&](const void*, int p) { uncompress.push_back(p); };
    mgr.EncodeStream(plain, stored);
    mgr.DecodeStream(stored, back);
    EXPECT_EQ(compress, std::vector<int>{100});
    EXPECT_EQ(uncompress, std::vector<int>{100});
}

}  // namespace
}  // namespace chimdb
