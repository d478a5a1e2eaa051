#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <tuple>

#include "codec/enc_blowfish.h"
#include "codec/enc_gost.h"
#include "codec/enc_twofish.h"
#include "tests/chimdb/cipher_test_bytes.h"

namespace chimdb {
namespace {

using testing::Pattern;
using testing::ToHex;
using Bytes = std::vector<std::uint8_t>;

std::unique_ptr<Encrypt> MakeCipher(int kind) {
    switch (kind) {
        case 0:
            return std::make_unique<Enc_Blowfish>();
        case 1:
            return std::make_unique<Enc_Twofish>();
        default:
            return std::make_unique<Enc_Gost>();
    }
}

std::unique_ptr<Encrypt> KeyedCipher(int kind, std::uint8_t mode) {
    auto cipher = MakeCipher(kind);
    cipher->InitKey("Chimora");
    cipher->SetMode(mode);
    return cipher;
}

Bytes Encode(Encrypt& cipher, const Bytes& plain) {
    Bytes out(plain.size());
    cipher.EncodeBuffer(plain.data(), out.data(), plain.size());
    cipher.Done();
    return out;
}

Bytes Decode(Encrypt& cipher, const Bytes& stored) {
    Bytes out(stored.size());
    cipher.DecodeBuffer(stored.data(), out.data(), stored.size());
    cipher.Done();
    return out;
}

Bytes E(const Encrypt& cipher, const std::uint8_t* block) {
    Bytes out(cipher.BlockSize());
    cipher.EncryptBlock(block, out.data());
    return out;
}

Bytes Xor(Bytes a, const std::uint8_t* b) {
    for (std::size_t i = 0; i < a.size(); ++i)
        a[i] ^= b[i];
    return a;
}

class CipherModeTest : public ::testing::TestWithParam<std::tuple<int, int>> {
  protected:
    int Kind() const { return std::get<0>(GetParam()); }
    std::uint8_t Mode() const { return static_cast<std::uint8_t>(std::get<1>(GetParam())); }
};

TEST_P(CipherModeTest, RoundTripsEveryLengthUpTo40InPlaceAndOutOfPlace) {
    auto cipher = KeyedCipher(Kind(), Mode());
    for (std::size_t length = 0; length <= 40; ++length) {
        Bytes plain = Pattern(length, static_cast<std::uint32_t>(length));
        Bytes stored = Encode(*cipher, plain);
        EXPECT_EQ(Decode(*cipher, stored), plain) << "length " << length;

        Bytes inPlace = plain;
        cipher->EncodeBuffer(inPlace.data(), inPlace.data(), inPlace.size());
        cipher->Done();
        EXPECT_EQ(inPlace, stored) << "length " << length;
        cipher->DecodeBuffer(inPlace.data(), inPlace.data(), inPlace.size());
        cipher->Done();
        EXPECT_EQ(inPlace, plain) << "length " << length;
    }
}

TEST_P(CipherModeTest, EqualValuesGiveEqualStoredBytesOnceDoneResetsFeedback) {
    auto cipher = KeyedCipher(Kind(), Mode());
    Bytes value = {0x2A, 0x00, 0x00, 0x00};
    EXPECT_EQ(Encode(*cipher, value), Encode(*cipher, value));
    Bytes blob = Pattern(37);
    EXPECT_EQ(Encode(*cipher, blob), Encode(*cipher, blob));
}

TEST_P(CipherModeTest, SplitCallsAtBlockMultiplesEqualOneCall) {
    // This is what lets a stream be processed in 4096-byte chunks.
    auto cipher = KeyedCipher(Kind(), Mode());
    Bytes plain = Pattern(4096 * 2 + 13);
    Bytes whole = Encode(*cipher, plain);
    Bytes pieces(plain.size());
    cipher->EncodeBuffer(plain.data(), pieces.data(), 4096);
    cipher->EncodeBuffer(plain.data() + 4096, pieces.data() + 4096, plain.size() - 4096);
    cipher->Done();
    EXPECT_EQ(pieces, whole);
}

TEST_P(CipherModeTest, ChangesTheDataExceptWhereMode4LeavesATail) {
    auto cipher = KeyedCipher(Kind(), Mode());
    const std::size_t b = cipher->BlockSize();
    Bytes plain = Pattern(3 * b);
    EXPECT_NE(Encode(*cipher, plain), plain);
}

// A text deciphered up to its terminator must give exactly the bytes a whole decode gives,
// up to and including the terminator, and zeros after it: a prefix, whatever the length of
// the text and of the field, in place as kept records decode it.
TEST_P(CipherModeTest, ATextDecodesLikeTheWholeBufferUpToItsTerminator) {
    auto cipher = KeyedCipher(Kind(), Mode());
    for (std::size_t width : {1u, 2u, 9u, 16u, 17u, 33u, 201u}) {
        for (std::size_t length = 0; length < width; ++length) {
            Bytes plain = Pattern(width, static_cast<std::uint32_t>(width * 64 + length));
            std::replace(plain.begin(), plain.end(), std::uint8_t{0}, std::uint8_t{1});
            plain[length] = 0;
            Bytes text = Encode(*cipher, plain);
            cipher->DecodeText(text.data(), text.data(), text.size());
            cipher->Done();
            Bytes expected(plain.begin(), plain.begin() + static_cast<std::ptrdiff_t>(length) + 1);
            expected.resize(width, 0);
            EXPECT_EQ(text, expected) << "width " << width << ", length " << length;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllCiphersAllModes, CipherModeTest,
                         ::testing::Combine(::testing::Values(0, 1, 2),
                                            ::testing::Values(0, 1, 2, 3, 4)));

TEST(CipherModeRulesTest, Modes0And1EncipherAShortValueWithTheFirstBytesOfEOfIv) {
    for (std::uint8_t mode : {0, 1}) {
        auto cipher = KeyedCipher(0, mode);
        Bytes value = {0x01, 0x02, 0x03, 0x04};
        Bytes keyStream = E(*cipher, cipher->InitialVector().data());
        EXPECT_EQ(Encode(*cipher, value), Xor(value, keyStream.data())) << int(mode);
    }
}

TEST(CipherModeRulesTest, Mode0FeedsBackFbXorC) {
    auto cipher = KeyedCipher(0, 0);
    Bytes plain = Pattern(16 + 3);
    Bytes stored = Encode(*cipher, plain);
    Bytes fb(cipher->InitialVector().begin(), cipher->InitialVector().end());
    Bytes c1 = E(*cipher, Xor(Bytes(plain.begin(), plain.begin() + 8), fb.data()).data());
    fb = Xor(fb, c1.data());
    Bytes c2 = E(*cipher, Xor(Bytes(plain.begin() + 8, plain.begin() + 16), fb.data()).data());
    fb = Xor(fb, c2.data());
    Bytes k = E(*cipher, fb.data());
    Bytes tail = Xor(Bytes(plain.begin() + 16, plain.end()), k.data());
    Bytes expected = c1;
    expected.insert(expected.end(), c2.begin(), c2.end());
    expected.insert(expected.end(), tail.begin(), tail.end());
    EXPECT_EQ(ToHex(stored), ToHex(expected));
}

TEST(CipherModeRulesTest, Mode1ChainsAndTakesTheTailKeyFromTheLastCipherBlock) {
    auto cipher = KeyedCipher(0, 1);
    Bytes plain = Pattern(16 + 5);
    Bytes stored = Encode(*cipher, plain);
    const std::uint8_t* iv = cipher->InitialVector().data();
    Bytes c1 = E(*cipher, Xor(Bytes(plain.begin(), plain.begin() + 8), iv).data());
    Bytes c2 = E(*cipher, Xor(Bytes(plain.begin() + 8, plain.begin() + 16), c1.data()).data());
    Bytes k = E(*cipher, c2.data());
    Bytes tail = Xor(Bytes(plain.begin() + 16, plain.end()), k.data());
    Bytes expected = c1;
    expected.insert(expected.end(), c2.begin(), c2.end());
    expected.insert(expected.end(), tail.begin(), tail.end());
    EXPECT_EQ(ToHex(stored), ToHex(expected));
}

TEST(CipherModeRulesTest, Modes2And3ShiftCipherTextOrKeyStreamIntoTheRegister) {
    for (std::uint8_t mode : {2, 3}) {
        auto cipher = KeyedCipher(2, mode);
        Bytes plain = {0x10, 0x20};
        Bytes stored = Encode(*cipher, plain);
        Bytes fb(cipher->InitialVector().begin(), cipher->InitialVector().end());
        Bytes k0 = E(*cipher, fb.data());
        std::uint8_t c0 = plain[0] ^ k0[0];
        std::rotate(fb.begin(), fb.begin() + 1, fb.end());
        fb.back() = mode == 2 ? c0 : k0[0];
        Bytes k1 = E(*cipher, fb.data());
        EXPECT_EQ(stored, (Bytes{c0, static_cast<std::uint8_t>(plain[1] ^ k1[0])})) << int(mode);
    }
}

TEST(CipherModeRulesTest, Mode4LeavesATailShorterThanABlockPlain) {
    auto cipher = KeyedCipher(0, 4);
    Bytes six = Pattern(6);
    EXPECT_EQ(Encode(*cipher, six), six);

    Bytes twelve = Pattern(12);
    Bytes stored = Encode(*cipher, twelve);
    EXPECT_EQ(Bytes(stored.begin(), stored.begin() + 8), E(*cipher, twelve.data()));
    EXPECT_EQ(Bytes(stored.begin() + 8, stored.end()), Bytes(twelve.begin() + 8, twelve.end()));
}

TEST(CipherModeRulesTest, ModeAbove4TransformsNothingNotEvenACopy) {
    auto cipher = KeyedCipher(0, 5);
    Bytes plain = Pattern(20);
    Bytes out(20, 0xEE);
    cipher->EncodeBuffer(plain.data(), out.data(), out.size());
    EXPECT_EQ(out, Bytes(20, 0xEE));
    cipher->DecodeBuffer(plain.data(), out.data(), out.size());
    EXPECT_EQ(out, Bytes(20, 0xEE));
}

TEST(CipherModeRulesTest, WithoutDoneTheFeedbackCarriesOn) {
    auto cipher = KeyedCipher(0, 0);
    Bytes value = Pattern(8);
    Bytes first(8), second(8);
    cipher->EncodeBuffer(value.data(), first.data(), 8);
    cipher->EncodeBuffer(value.data(), second.data(), 8);
    EXPECT_NE(first, second);
}

}  // namespace
}  // namespace chimdb
