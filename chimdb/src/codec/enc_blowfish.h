#pragma once

#include "codec/library_block_cipher.h"

namespace chimdb {

// Blowfish; a key of up to 56 bytes is used as given; block halves are big-endian words.
class Enc_Blowfish : public LibraryBlockCipher {
  public:
    std::string_view ClassName() const override { return "Enc_Blowfish"; }
    std::size_t BlockSize() const override { return 8; }
    std::size_t KeySize() const override { return 56; }

  protected:
    void CreateKeyed(std::span<const std::uint8_t> key,
                     std::unique_ptr<CryptoPP::BlockCipher>& encryption,
                     std::unique_ptr<CryptoPP::BlockCipher>& decryption) const override;
};

}  // namespace chimdb
