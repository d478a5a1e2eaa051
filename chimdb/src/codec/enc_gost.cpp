#include "codec/enc_gost.h"

#include <algorithm>

#include <cryptopp/gost.h>
#include <cryptopp/secblock.h>

namespace chimdb {

void Enc_Gost::CreateKeyed(std::span<const std::uint8_t> key,
                           std::unique_ptr<CryptoPP::BlockCipher>& encryption,
                           std::unique_ptr<CryptoPP::BlockCipher>& decryption) const {
    // The key is padded with zero bytes to 32 and read as eight little-endian subkeys; the
    // library uses the test parameter S-boxes and little-endian block halves.
    CryptoPP::SecByteBlock material(CryptoPP::GOST::KEYLENGTH);
    std::fill(material.begin(), material.end(), 0);
    std::copy(key.begin(), key.end(), material.begin());
    encryption = std::make_unique<CryptoPP::GOST::Encryption>(material, material.size());
    decryption = std::make_unique<CryptoPP::GOST::Decryption>(material, material.size());
}

}  // namespace chimdb
