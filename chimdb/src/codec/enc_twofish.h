#pragma once

#include "codec/library_block_cipher.h"

namespace chimdb {

// Twofish; a key shorter than 16, 24 or 32 bytes is padded with zero bytes to the next of these
// lengths (a 20-byte key gets the 192-bit schedule).
class Enc_Twofish : public LibraryBlockCipher {
  public:
    std::string_view ClassName() const override { return "Enc_Twofish"; }
    std::size_t BlockSize() const override { return 16; }
    std::size_t KeySize() const override { return 32; }

  protected:
    void CreateKeyed(std::span<const std::uint8_t> key,
                     std::unique_ptr<CryptoPP::BlockCipher>& encryption,
                     std::unique_ptr<CryptoPP::BlockCipher>& decryption) const override;
};

}  // namespace chimdb
