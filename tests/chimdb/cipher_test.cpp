#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "codec/enc_blowfish.h"
#include "codec/enc_gost.h"
#include "codec/enc_twofish.h"
#include "codec/encrypt_exception.h"
#include "tests/chimdb/cipher_test_bytes.h"

namespace chimdb {
namespace {

using testing::FromHex;
using testing::ToHex;

// Enciphers one block under a raw key and checks that deciphering gives it back.
std::string EncryptOneBlock(Encrypt& cipher, std::string_view keyHex, std::string_view plainHex) {
    cipher.Init(FromHex(keyHex));
    std::vector<std::uint8_t> plain = FromHex(plainHex);
    std::vector<std::uint8_t> out(plain.size()), back(plain.size());
    cipher.EncryptBlock(plain.data(), out.data());
    cipher.DecryptBlock(out.data(), back.data());
    EXPECT_EQ(ToHex(back), ToHex(plain));
    return ToHex(out);
}

// Bruce Schneier's published Blowfish test vectors (Eric Young's set): the first ECB
// vector, the FEDCBA9876543210 key vector, and the 20-byte entry of the variable key
// length table.
TEST(CipherKnownAnswerTest, Blowfish) {
    Enc_Blowfish cipher;
    EXPECT_EQ(EncryptOneBlock(cipher, "0000000000000000", "0000000000000000"), "4EF997456198DD78");
    EXPECT_EQ(EncryptOneBlock(cipher, "FEDCBA9876543210", "0123456789ABCDEF"), "0ACEAB0FC6A0A28D");
    EXPECT_EQ(
        EncryptOneBlock(cipher, "F0E1D2C3B4A5968778695A4B3C2D1E0F00112233", "FEDCBA9876543210"),
        "10851C0E3858DA9F");
}

// The 192-bit key test vector of the Twofish paper (Schneier et al., "Twofish: A 128-Bit
// Block Cipher", appendix of test vectors).
TEST(CipherKnownAnswerTest, Twofish192) {
    Enc_Twofish cipher;
    EXPECT_EQ(EncryptOneBlock(cipher, "0123456789ABCDEFFEDCBA98765432100011223344556677",
                              "00000000000000000000000000000000"),
              "CFD1D2E5A9BE9CDF501F13B892BD2248");
}

// A 20-byte key is padded with zeros to 24 bytes: it must behave exactly as that 192-bit key.
TEST(CipherKnownAnswerTest, TwofishPadsA20ByteKeyTo192Bits) {
    Enc_Twofish short_key, padded;
    const std::string key20 = "0123456789ABCDEFFEDCBA987654321000112233";
    const std::string plain = "00112233445566778899AABBCCDDEEFF";
    EXPECT_EQ(EncryptOneBlock(short_key, key20, plain),
              EncryptOneBlock(padded, key20 + "00000000", plain));
}

// GOST 28147-89 with the test parameter S-boxes of GOST R 34.11-94, the vector published
// for that parameter set.
TEST(CipherKnownAnswerTest, GostTestParameterSet) {
    Enc_Gost cipher;
    EXPECT_EQ(
        EncryptOneBlock(cipher, "BE5EC2006CFF9DCF52354959F1FF0CBFE95061B5A648C10387069C25997C0672",
                        "0DF82802B741A292"),
        "07F9027DF7F7DF89");
}

TEST(CipherKnownAnswerTest, GostPadsA20ByteKeyWithZeros) {
    Enc_Gost short_key, padded;
    const std::string key20 = "BE5EC2006CFF9DCF52354959F1FF0CBFE95061B5";
    EXPECT_EQ(EncryptOneBlock(short_key, key20, "0DF82802B741A292"),
              EncryptOneBlock(padded, key20 + "000000000000000000000000", "0DF82802B741A292"));
}

TEST(CipherStateTest, UseBeforeKeyingNamesTheCipherClass) {
    Enc_Blowfish blowfish;
    std::uint8_t data[8] = {};
    try {
        blowfish.EncodeBuffer(data, data, sizeof data);
        FAIL() << "no exception";
    } catch (const EncryptException& e) {
        EXPECT_STREQ(e.what(), "Enc_Blowfish is not initialized call Init() or InitKey() before.");
    }
    Enc_Gost gost;
    EXPECT_THROW(gost.DecodeBuffer(data, data, sizeof data), DatabaseError);
    Enc_Twofish twofish;
    twofish.InitKey("pw");
    twofish.Reset();
    EXPECT_THROW(twofish.EncodeBuffer(data, data, sizeof data), EncryptException);
}

// Key schedules are shared between ciphers keyed alike: of ciphers of three classes and more
// keys than are kept, keyed in turn, two encipher a block alike exactly when they are of one
// class with one key (the known answers above check the schedules themselves).
TEST(CipherStateTest, CiphersKeyedAlikeOrNotEachUseTheirOwnKey) {
    constexpr int kCiphers = 18;
    std::vector<std::unique_ptr<Encrypt>> ciphers;
    auto keyOf = [](int i) { return i < 9 ? std::string("same") : "key " + std::to_string(i); };
    for (int i = 0; i < kCiphers; ++i) {
        std::unique_ptr<Encrypt> cipher;
        if (i % 3 == 0)
            cipher = std::make_unique<Enc_Blowfish>();
        else if (i % 3 == 1)
            cipher = std::make_unique<Enc_Twofish>();
        else
            cipher = std::make_unique<Enc_Gost>();
        cipher->InitKey(keyOf(i));
        ciphers.push_back(std::move(cipher));
    }
    std::vector<std::string> enciphered;
    for (const auto& cipher : ciphers) {
        const std::uint8_t block[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
        std::uint8_t out[16] = {};
        cipher->EncryptBlock(block, out);
        enciphered.push_back(ToHex(out, cipher->BlockSize()));
    }
    for (int i = 0; i < kCiphers; ++i) {
        for (int j = 0; j < kCiphers; ++j) {
            const bool alike = i % 3 == j % 3 && keyOf(i) == keyOf(j);
            EXPECT_EQ(
                enciphered[static_cast<std::size_t>(i)] == enciphered[static_cast<std::size_t>(j)],
                alike)
                << "ciphers " << i << " and " << j;
        }
    }
}

TEST(CipherStateTest, InitKeyUsesTheSha0DigestAndSetsIvToTheEncryptedOnesBlock) {
    Enc_Blowfish byPassword, byDigest;
    byPassword.InitKey("abc");
    byDigest.Init(FromHex("0164b8a914cd2a5e74c4f7ff082c4d97f1edf880"));
    std::uint8_t ones[8], iv[8];
    std::fill(std::begin(ones), std::end(ones), 0xFF);
    byDigest.EncryptBlock(ones, iv);
    EXPECT_EQ(ToHex(byPassword.InitialVector()), ToHex(iv, 8));
    EXPECT_EQ(ToHex(byPassword.Feedback()), ToHex(iv, 8));
}

}  // namespace
}  // namespace chimdb
