#include "codec/sha0.h"

#include <gtest/gtest.h>

#include <string>

#include "codec/password_hash.h"
#include "tests/chimdb/cipher_test_bytes.h"

namespace chimdb {
namespace {

using testing::ToHex;

// Digests published with the original FIPS 180 (1993) for its three test messages.
TEST(HashShaTest, PublishedDigests) {
    EXPECT_EQ(ToHex(HashSha::Calc("abc")), "0164B8A914CD2A5E74C4F7FF082C4D97F1EDF880");
    EXPECT_EQ(ToHex(HashSha::Calc("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")),
              "D2516EE1ACFA5BAF33DFC1C471E438449EF134C8");
    EXPECT_EQ(ToHex(HashSha::Calc(std::string(1000000, 'a'))),
              "3232AFFA48628A26653B5AAA44541FD90D690603");
}

TEST(HashShaTest, PiecewiseUpdatesEqualOneUpdateAcrossBlockAndPaddingEdges) {
    for (std::size_t length : {0u, 1u, 55u, 56u, 63u, 64u, 65u, 119u, 120u, 200u}) {
        std::string message(length, 'x');
        for (std::size_t i = 0; i < length; ++i)
            message[i] = static_cast<char>('a' + i % 26);
        HashSha hash;
        for (std::size_t i = 0; i < length; i += 7)
            hash.Update(std::string_view(message).substr(i, 7));
        EXPECT_EQ(ToHex(hash.Final()), ToHex(HashSha::Calc(message))) << length;
    }
}

TEST(HashShaTest, FinalResetsForTheNextMessage) {
    HashSha hash;
    hash.Update("garbage");
    (void)hash.Final();
    hash.Update("abc");
    EXPECT_EQ(ToHex(hash.Final()), "0164B8A914CD2A5E74C4F7FF082C4D97F1EDF880");
}

}  // namespace
}  // namespace chimdb
