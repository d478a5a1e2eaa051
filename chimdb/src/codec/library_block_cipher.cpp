#include "codec/library_block_cipher.h"

#include <cryptopp/cryptlib.h>

#include "codec/encrypt_exception.h"

namespace chimdb {

LibraryBlockCipher::LibraryBlockCipher() = default;
LibraryBlockCipher::~LibraryBlockCipher() = default;

void LibraryBlockCipher::EncryptBlock(const std::uint8_t* in, std::uint8_t* out) const {
    if (!encryption_) {
        throw EncryptException(
            FormatMessage("%s is not initialized call Init() or InitKey() before.", ClassName()));
    }
    encryption_->ProcessBlock(in, out);
}

void LibraryBlockCipher::DecryptBlock(const std::uint8_t* in, std::uint8_t* out) const {
    if (!decryption_) {
        throw EncryptException(
            FormatMessage("%s is not initialized call Init() or InitKey() before.", ClassName()));
    }
    decryption_->ProcessBlock(in, out);
}

void LibraryBlockCipher::SetupKey(std::span<const std::uint8_t> key) {
    CreateKeyed(key, encryption_, decryption_);
}

// The library keeps its key schedules in wiping buffers, so dropping the objects clears them.
void LibraryBlockCipher::ClearKey() {
    encryption_.reset();
    decryption_.reset();
}

}  // namespace chimdb
