#include "codec/enc_twofish.h"

#include <algorithm>

#include <cryptopp/secblock.h>
#include <cryptopp/twofish.h>

namespace chimdb {

void Enc_Twofish::CreateKeyed(std::span<const std::uint8_t> key,
                              std::unique_ptr<CryptoPP::BlockCipher>& encryption,
                              std::unique_ptr<CryptoPP::BlockCipher>& decryption) const {
    // Twofish defines 128-, 192- and 256-bit keys; a shorter key is padded with zero bytes to
    // the next of these lengths, so the 20-byte key from a password gets the 192-bit schedule.
    std::size_t length = key.size() <= 16 ? 16 : key.size() <= 24 ? 24 : 32;
    CryptoPP::SecByteBlock material(length);
    std::fill(material.begin(), material.end(), 0);
    std::copy(key.begin(), key.end(), material.begin());
    encryption = std::make_unique<CryptoPP::Twofish::Encryption>(material, material.size());
    decryption = std::make_unique<CryptoPP::Twofish::Decryption>(material, material.size());
}

}  // namespace chimdb
