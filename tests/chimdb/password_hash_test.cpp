#include "codec/password_hash.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace chimdb {
namespace {

// The last 3-byte group of this digest (F8 80 00) ends in zero bits: standard Base64 would
// write "+IA", the stored form drops the trailing zero sextet.
TEST(PasswordHashTest, TextOfAbcDropsTrailingZeroSextet) {
    EXPECT_EQ(PasswordHashText("abc"), "AWS4qRTNKl50xPf/CCxNl/Ht+I=");
}

TEST(PasswordHashTest, GroupsWriteOnlyUpToTheirLastNonZeroSextet) {
    // 01 00 00: sextets 000000 010000 000000 000000 -> "AQ" (leading zero sextet kept).
    EXPECT_EQ(EncodePasswordDigest(std::vector<std::uint8_t>{0x01, 0x00, 0x00}), "AQ");
    // A whole zero group writes nothing at all.
    EXPECT_EQ(EncodePasswordDigest(std::vector<std::uint8_t>{0, 0, 0, 0xFF, 0xFF, 0xFF}), "////");
    // Low bits of the last byte set: all four sextets written.
    EXPECT_EQ(EncodePasswordDigest(std::vector<std::uint8_t>{0x00, 0x00, 0x01}), "AAAB");
}

TEST(PasswordHashTest, PaddingDependsOnlyOnTheDigestLength) {
    EXPECT_EQ(EncodePasswordDigest(std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFC}), "/////==");
    EXPECT_EQ(EncodePasswordDigest(std::vector<std::uint8_t>{0x00}), "==");
    EXPECT_EQ(EncodePasswordDigest(std::vector<std::uint8_t>{0x00, 0x10}), "AB=");
    EXPECT_EQ(EncodePasswordDigest(std::vector<std::uint8_t>{}), "");
}

TEST(PasswordHashTest, DistinguishesPasswordsAndTakesBytesAsGiven) {
    EXPECT_NE(PasswordHashText("secret"), PasswordHashText("Secret"));
    EXPECT_NE(PasswordHashText(std::string_view("a\0b", 3)), PasswordHashText("a"));
    EXPECT_EQ(PasswordHashText("").back(), '=');
}

}  // namespace
}  // namespace chimdb
