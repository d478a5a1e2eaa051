#include "codec/encrypt_mgr.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "chimdb/database_error.h"
#include "codec/algo_registry.h"
#include "codec/comp_algo_zlib.h"
#include "codec/enc_blowfish.h"
#include "codec/encrypt_exception.h"
#include "tests/chimdb/cipher_test_bytes.h"

namespace chimdb {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::Pattern;

std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const DatabaseError& e) {
        return e.what();
    }
    return "no error";
}

std::unique_ptr<EncryptMgr> KeyedMgr(std::string_view name, std::uint8_t mode,
                                     const DataProcessEvents* events = nullptr) {
    auto mgr = std::make_unique<EncryptMgr>(events);
    mgr->SetAlgoName(name);
    mgr->SetMode(mode);
    mgr->InitKey("Chimora");
    return mgr;
}

TEST(EncryptMgrTest, EveryCallStartsFromIvSoEqualValuesStoreEqually) {
    for (const char* name : {"Blowfish", "Twofish", "Gost"}) {
        for (std::uint8_t mode = 0; mode <= 4; ++mode) {
            auto owned = KeyedMgr(name, mode);
            EncryptMgr& mgr = *owned;
            const Bytes value = {0x2A, 0, 0, 0};
            Bytes first(4), second(4), back(4);
            mgr.EncodeBuffer(value.data(), first.data(), 4);
            mgr.EncodeBuffer(value.data(), second.data(), 4);
            EXPECT_EQ(first, second) << name << " mode " << int(mode);
            mgr.DecodeBuffer(first.data(), back.data(), 4);
            EXPECT_EQ(back, value) << name << " mode " << int(mode);
        }
    }
}

TEST(EncryptMgrTest, StreamEqualsOneBufferCallAcrossChunkBoundaries) {
    for (const char* name : {"blowfish", "TWOFISH", "gost"}) {
        for (std::uint8_t mode = 0; mode <= 4; ++mode) {
            auto owned = KeyedMgr(name, mode);
            EncryptMgr& mgr = *owned;
            for (std::size_t size : {4095u, 4096u, 4097u, 8192u + 9u}) {
                Bytes plain = Pattern(size), viaBuffer(size), viaStream, back;
                mgr.EncodeBuffer(plain.data(), viaBuffer.data(), size);
                mgr.EncodeStream(plain, viaStream);
                EXPECT_EQ(viaStream, viaBuffer) << name << " mode " << int(mode) << " " << size;
                mgr.DecodeStream(viaStream, back);
                EXPECT_EQ(back, plain) << name << " mode " << int(mode) << " " << size;
            }
        }
    }
}

TEST(EncryptMgrTest, UseBeforeInitKeyRaisesTheCipherMessage) {
    EncryptMgr mgr;
    mgr.SetAlgoName("Blowfish");
    std::uint8_t data[8] = {};
    EXPECT_EQ(ErrorOf([&] { mgr.EncodeBuffer(data, data, 8); }),
              "Enc_Blowfish is not initialized call Init() or InitKey() before.");
    Bytes out;
    EXPECT_THROW(mgr.DecodeStream(Bytes{1, 2}, out), EncryptException);
}

TEST(EncryptMgrTest, StreamProgressIsZeroThenPerChunkThenZero) {
    DataProcessEvents events;
    std::vector<int> encrypt, decrypt;
    events.OnEncryptProgress = [&](const void*, int p) { encrypt.push_back(p); };
    events.OnDecryptProgress = [&](const void*, int p) { decrypt.push_back(p); };
    auto owned = KeyedMgr("Gost", 1, &events);
    EncryptMgr& mgr = *owned;
    Bytes plain = Pattern(10000), stored, back;
    mgr.EncodeStream(plain, stored);
    mgr.DecodeStream(stored, back);
    EXPECT_EQ(encrypt, (std::vector<int>{0, 41, 82, 100, 0}));
    EXPECT_EQ(decrypt, encrypt);
    encrypt.clear();
    mgr.EncodeStream({}, stored);
    EXPECT_EQ(encrypt, (std::vector<int>{0, 0}));
}

TEST(EncryptMgrTest, RenamingTheSameClassKeepsTheKeyAnotherClassReplacesIt) {
    auto owned = KeyedMgr("Blowfish", 0);
    EncryptMgr& mgr = *owned;
    Bytes value = Pattern(12), stored(12), again(12);
    mgr.EncodeBuffer(value.data(), stored.data(), 12);
    mgr.SetAlgoName("BLOWFISH");
    mgr.EncodeBuffer(value.data(), again.data(), 12);
    EXPECT_EQ(again, stored);

    mgr.SetAlgoName("Twofish");
    EXPECT_EQ(ErrorOf([&] { mgr.EncodeBuffer(value.data(), again.data(), 12); }),
              "Enc_Twofish is not initialized call Init() or InitKey() before.");
}

TEST(EncryptMgrTest, UnknownNameAndMissingAlgorithmRaiseTheirMessages) {
    EncryptMgr mgr;
    EXPECT_EQ(ErrorOf([&] { mgr.SetAlgoName("Rijndael"); }),
              "Encryption algorithm module 'Rijndael' not found");
    EXPECT_FALSE(mgr.HasAlgo());
    std::uint8_t data[4] = {};
    Bytes out;
    EXPECT_EQ(ErrorOf([&] { mgr.SetMode(1); }), "General error");
    EXPECT_EQ(ErrorOf([&] { mgr.InitKey("x"); }), "General error");
    EXPECT_EQ(ErrorOf([&] { mgr.Done(); }), "General error");
    EXPECT_EQ(ErrorOf([&] { mgr.EncodeBuffer(data, data, 4); }), "General error");
    EXPECT_EQ(ErrorOf([&] { mgr.DecodeBuffer(data, data, 4); }), "General error");
    EXPECT_EQ(ErrorOf([&] { mgr.EncodeStream(Bytes{1}, out); }), "General error");
    EXPECT_EQ(ErrorOf([&] { mgr.DecodeStream(Bytes{1}, out); }), "General error");
}

// A stand-in compression class to exercise the registry without touching the built-ins.
class CompAlgo_Test : public CompAlgo_Zlib {
  public:
    std::string_view ClassName() const override { return "CompAlgo_Test"; }
};

TEST(AlgoRegistryTest, RegisteringAClassAgainReplacesItsName) {
    CompressRegistry().Register<CompAlgo_Test>("TestPack");
    ASSERT_TRUE(CompressRegistry().Find("testpack"));
    CompressRegistry().Register<CompAlgo_Test>("TestPack2");
    EXPECT_FALSE(CompressRegistry().Find("TestPack"));
    ASSERT_TRUE(CompressRegistry().Find("TESTPACK2"));
    EXPECT_EQ(CompressRegistry().Find("TestPack2")->className, "CompAlgo_Test");
    EXPECT_EQ(CompressRegistry().Find("zlib")->className, "CompAlgo_Zlib");
}

TEST(AlgoRegistryTest, BuiltInCiphersAreRegisteredUnderTheirNames) {
    EXPECT_EQ(EncryptRegistry().Find("Blowfish")->className, "EncAlgo_Blowfish");
    EXPECT_EQ(EncryptRegistry().Find("twofish")->className, "EncAlgo_Twofish");
    EXPECT_EQ(EncryptRegistry().Find("GOST")->className, "EncAlgo_Gost");
    EXPECT_FALSE(EncryptRegistry().Find("Gost2"));
}

}  // namespace
}  // namespace chimdb
