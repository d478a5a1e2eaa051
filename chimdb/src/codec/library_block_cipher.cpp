#include "codec/library_block_cipher.h"

#include <cryptopp/cryptlib.h>
#include <cryptopp/secblock.h>

#include <algorithm>
#include <list>
#include <mutex>
#include <string>

#include "codec/encrypt_exception.h"

namespace chimdb {

struct LibraryBlockCipher::Keyed {
    std::string cipher;
    CryptoPP::SecByteBlock key;
    std::unique_ptr<CryptoPP::BlockCipher> encryption;
    std::unique_ptr<CryptoPP::BlockCipher> decryption;
};

namespace {

// Key schedules made last, for the connections that come with the same key again.
constexpr std::size_t kSchedulesKept = 4;

}  // namespace

LibraryBlockCipher::LibraryBlockCipher() = default;
LibraryBlockCipher::~LibraryBlockCipher() = default;

void LibraryBlockCipher::EncryptBlock(const std::uint8_t* in, std::uint8_t* out) const {
    if (!keyed_) {
        throw EncryptException(
            FormatMessage("%s is not initialized call Init() or InitKey() before.", ClassName()));
    }
    keyed_->encryption->ProcessBlock(in, out);
}

void LibraryBlockCipher::DecryptBlock(const std::uint8_t* in, std::uint8_t* out) const {
    if (!keyed_) {
        throw EncryptException(
            FormatMessage("%s is not initialized call Init() or InitKey() before.", ClassName()));
    }
    keyed_->decryption->ProcessBlock(in, out);
}

std::shared_ptr<const LibraryBlockCipher::Keyed> LibraryBlockCipher::FindOrMake(
    const LibraryBlockCipher& cipher, std::span<const std::uint8_t> key) {
    static std::mutex mutex;
    static std::list<std::shared_ptr<const Keyed>> recent;
    const std::string name(cipher.ClassName());
    std::lock_guard lock(mutex);
    for (auto it = recent.begin(); it != recent.end(); ++it) {
        const Keyed& keyed = **it;
        if (keyed.cipher == name && keyed.key.size() == key.size() &&
            std::equal(key.begin(), key.end(), keyed.key.begin())) {
            recent.splice(recent.begin(), recent, it);
            return recent.front();
        }
    }
    auto keyed = std::make_shared<Keyed>();
    keyed->cipher = name;
    keyed->key.Assign(key.data(), key.size());
    cipher.CreateKeyed(key, keyed->encryption, keyed->decryption);
    recent.push_front(keyed);
    if (recent.size() > kSchedulesKept)
        recent.pop_back();
    return keyed;
}

void LibraryBlockCipher::SetupKey(std::span<const std::uint8_t> key) {
    keyed_ = FindOrMake(*this, key);
}

// The library keeps its key schedules in wiping buffers: a schedule is cleared when the last
// connection using it lets go of it after it left the recent ones.
void LibraryBlockCipher::ClearKey() {
    keyed_.reset();
}

}  // namespace chimdb
