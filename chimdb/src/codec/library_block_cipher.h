#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "codec/encrypt.h"

namespace CryptoPP {
class BlockCipher;
}

namespace chimdb {

// A cipher whose single-block transforms come from Crypto++. Only ECB-style one-block calls
// are used; the modes are the store's own (see Encrypt).
class LibraryBlockCipher : public Encrypt {
  public:
    ~LibraryBlockCipher() override;

    void EncryptBlock(const std::uint8_t* in, std::uint8_t* out) const override;
    void DecryptBlock(const std::uint8_t* in, std::uint8_t* out) const override;

  protected:
    LibraryBlockCipher();
    // Creates a keyed encryption and decryption object of the library cipher.
    virtual void CreateKeyed(std::span<const std::uint8_t> key,
                             std::unique_ptr<CryptoPP::BlockCipher>& encryption,
                             std::unique_ptr<CryptoPP::BlockCipher>& decryption) const = 0;

    void SetupKey(std::span<const std::uint8_t> key) override;
    void ClearKey() override;

  private:
    struct Keyed;
    // Keyed objects are shared: a schedule, once made, serves every later connection with the
    // same key in this process (making one costs hundreds of block encryptions).
    static std::shared_ptr<const Keyed> FindOrMake(const LibraryBlockCipher& cipher,
                                                   std::span<const std::uint8_t> key);

    std::shared_ptr<const Keyed> keyed_;
};

}  // namespace chimdb
