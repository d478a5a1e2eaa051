#include "codec/enc_blowfish.h"

#include <algorithm>

#include <cryptopp/blowfish.h>
#include <cryptopp/secblock.h>

namespace chimdb {

void Enc_Blowfish::CreateKeyed(std::span<const std::uint8_t> key,
                               std::unique_ptr<CryptoPP::BlockCipher>& encryption,
                               std::unique_ptr<CryptoPP::BlockCipher>& decryption) const {
    // Blowfish takes 4..56 key bytes as given; a shorter key is padded with zero bytes.
    CryptoPP::SecByteBlock material(
        std::max<std::size_t>(key.size(), CryptoPP::Blowfish::MIN_KEYLENGTH));
    std::fill(material.begin(), material.end(), 0);
    std::copy(key.begin(), key.end(), material.begin());
    encryption = std::make_unique<CryptoPP::Blowfish::Encryption>(material, material.size());
    decryption = std::make_unique<CryptoPP::Blowfish::Decryption>(material, material.size());
}

}  // namespace chimdb
