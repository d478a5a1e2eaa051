#pragma once

#include "codec/library_block_cipher.h"

namespace chimdb {

// GOST 28147-89 with the test parameter S-boxes of GOST R 34.11-94; the key is padded with zero
// bytes to 32 and read as eight little-endian subkeys, block halves are little-endian words.
class Enc_Gost : public LibraryBlockCipher {
  public:
    std::string_view ClassName() const override { return "Enc_Gost"; }
    std::size_t BlockSize() const override { return 8; }
    std::size_t KeySize() const override { return 32; }

  protected:
    void CreateKeyed(std::span<const std::uint8_t> key,
                     std::unique_ptr<CryptoPP::BlockCipher>& encryption,
                     std::unique_ptr<CryptoPP::BlockCipher>& decryption) const override;
};

}  // namespace chimdb
