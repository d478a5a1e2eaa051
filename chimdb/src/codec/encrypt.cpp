#include "codec/encrypt.h"

#include <algorithm>
#include <cstring>

#include "codec/encrypt_exception.h"
#include "codec/sha0.h"

namespace chimdb {
namespace {

void XorInto(std::uint8_t* target, const std::uint8_t* with, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i)
        target[i] ^= with[i];
}

// Wipes key material in a way the compiler may not drop.
void SecureZero(void* data, std::size_t size) {
    volatile auto* p = static_cast<volatile std::uint8_t*>(data);
    for (std::size_t i = 0; i < size; ++i)
        p[i] = 0;
}

// Moves the register one byte to the left and appends a byte.
void ShiftIn(std::uint8_t* reg, std::size_t size, std::uint8_t byte) {
    std::memmove(reg, reg + 1, size - 1);
    reg[size - 1] = byte;
}

}  // namespace

Encrypt::~Encrypt() {
    SecureZero(iv_.data(), iv_.size());
    SecureZero(fb_.data(), fb_.size());
    SecureZero(work_.data(), work_.size());
    SecureZero(ivKeyStream_.data(), ivKeyStream_.size());
}

void Encrypt::Reset() {
    keyed_ = false;
    iv_.fill(0xFF);
    fb_.fill(0xFF);
    SecureZero(ivKeyStream_.data(), ivKeyStream_.size());
    WipeWork();
    ClearKey();
}

void Encrypt::Init(std::span<const std::uint8_t> key) {
    Reset();
    SetupKey(key.first(std::min(key.size(), KeySize())));
    std::array<std::uint8_t, kMaxBlockSize> ones;
    ones.fill(0xFF);
    EncryptBlock(ones.data(), iv_.data());
    fb_ = iv_;
    EncryptBlock(iv_.data(), ivKeyStream_.data());
    keyed_ = true;
}

void Encrypt::InitKey(std::string_view passwordBytes) {
    HashSha::Digest digest = HashSha::Calc(passwordBytes);
    Init(digest);
    SecureZero(digest.data(), digest.size());
    Done();
}

void Encrypt::Done() {
    fb_ = iv_;
}

void Encrypt::CheckKeyed() const {
    if (!keyed_) {
        throw EncryptException(
            FormatMessage("%s is not initialized call Init() or InitKey() before.", ClassName()));
    }
}

void Encrypt::EncodeBuffer(const std::uint8_t* src, std::uint8_t* dst, std::size_t size) {
    CheckKeyed();
    switch (mode_) {
        case 0:
            EncodeMode0(src, dst, size);
            break;
        case 1:
            EncodeMode1(src, dst, size);
            break;
        case 2:
            EncodeMode2(src, dst, size);
            break;
        case 3:
            CodeMode3(src, dst, size);
            break;
        case 4:
            CodeMode4(src, dst, size, true);
            break;
        default:
            break;  // an unknown mode transforms nothing
    }
    WipeWork();
}

void Encrypt::DecodeBuffer(const std::uint8_t* src, std::uint8_t* dst, std::size_t size) {
    CheckKeyed();
    switch (mode_) {
        case 0:
            DecodeMode0(src, dst, size);
            break;
        case 1:
            DecodeMode1(src, dst, size);
            break;
        case 2:
            DecodeMode2(src, dst, size);
            break;
        case 3:
            CodeMode3(src, dst, size);
            break;
        case 4:
            CodeMode4(src, dst, size, false);
            break;
        default:
            break;
    }
    WipeWork();
}

void Encrypt::DecodeText(const std::uint8_t* src, std::uint8_t* dst, std::size_t size) {
    if (mode_ > 4) {
        DecodeBuffer(src, dst, size);  // transforms nothing: the raw bytes, as they are
        return;
    }
    // Every mode deciphers a prefix from the bytes of that prefix alone, and one step after
    // another carries the feedback register exactly as one call over the whole buffer does.
    const std::size_t step = mode_ == 2 || mode_ == 3 ? 1 : BlockSize();
    for (std::size_t pos = 0; pos < size; pos += step) {
        const std::size_t length = std::min(step, size - pos);
        DecodeBuffer(src + pos, dst + pos, length);
        if (const void* end = std::memchr(dst + pos, 0, length)) {
            const std::size_t zero =
                static_cast<std::size_t>(static_cast<const std::uint8_t*>(end) - dst);
            std::memset(dst + zero + 1, 0, size - zero - 1);
            return;
        }
    }
}

void Encrypt::CodeTail(const std::uint8_t* src, std::uint8_t* dst, std::size_t size) {
    // Most values are shorter than a block and start a message, so their key stream is
    // always E(IV), worked out once at keying.
    if (std::memcmp(fb_.data(), iv_.data(), BlockSize()) == 0)
        std::memcpy(work_.data(), ivKeyStream_.data(), BlockSize());
    else
        EncryptBlock(fb_.data(), work_.data());
    for (std::size_t i = 0; i < size; ++i)
        dst[i] = src[i] ^ work_[i];
}

void Encrypt::EncodeMode0(const std::uint8_t* src, std::uint8_t* dst, std::size_t size) {
    const std::size_t b = BlockSize();
    std::size_t pos = 0;
    for (; pos + b <= size; pos += b) {
        std::memcpy(work_.data(), src + pos, b);
        XorInto(work_.data(), fb_.data(), b);
        EncryptBlock(work_.data(), dst + pos);
        XorInto(fb_.data(), dst + pos, b);
    }
    if (pos < size) {
        CodeTail(src + pos, dst + pos, size - pos);
        XorInto(fb_.data(), work_.data(), b);
    }
}

void Encrypt::DecodeMode0(const std::uint8_t* src, std::uint8_t* dst, std::size_t size) {
    const std::size_t b = BlockSize();
    std::size_t pos = 0;
    std::array<std::uint8_t, kMaxBlockSize> cipherBlock;
    for (; pos + b <= size; pos += b) {
        std::memcpy(cipherBlock.data(), src + pos, b);  // src may be dst
        DecryptBlock(cipherBlock.data(), work_.data());
        XorInto(work_.data(), fb_.data(), b);
        std::memcpy(dst + pos, work_.data(), b);
        XorInto(fb_.data(), cipherBlock.data(), b);
    }
    SecureZero(cipherBlock.data(), cipherBlock.size());
    if (pos < size) {
        CodeTail(src + pos, dst + pos, size - pos);
        XorInto(fb_.data(), work_.data(), b);
    }
}

void Encrypt::EncodeMode1(const std::uint8_t* src, std::uint8_t* dst, std::size_t size) {
    const std::size_t b = BlockSize();
    std::size_t pos = 0;
    for (; pos + b <= size; pos += b) {
        std::memcpy(work_.data(), src + pos, b);
        XorInto(work_.data(), fb_.data(), b);
        EncryptBlock(work_.data(), dst + pos);
        std::memcpy(fb_.data(), dst + pos, b);
    }
    if (pos < size)
        CodeTail(src + pos, dst + pos, size - pos);
}

void Encrypt::DecodeMode1(const std::uint8_t* src, std::uint8_t* dst, std::size_t size) {
    const std::size_t b = BlockSize();
    std::size_t pos = 0;
    std::array<std::uint8_t, kMaxBlockSize> cipherBlock;
    for (; pos + b <= size; pos += b) {
        std::memcpy(cipherBlock.data(), src + pos, b);
        DecryptBlock(cipherBlock.data(), work_.data());
        XorInto(work_.data(), fb_.data(), b);
        std::memcpy(dst + pos, work_.data(), b);
        std::memcpy(fb_.data(), cipherBlock.data(), b);
    }
    SecureZero(cipherBlock.data(), cipherBlock.size());
    if (pos < size)
        CodeTail(src + pos, dst + pos, size - pos);
}

void Encrypt::EncodeMode2(const std::uint8_t* src, std::uint8_t* dst, std::size_t size) {
    const std::size_t b = BlockSize();
    for (std::size_t i = 0; i < size; ++i) {
        EncryptBlock(fb_.data(), work_.data());
        std::uint8_t c = src[i] ^ work_[0];
        ShiftIn(fb_.data(), b, c);
        dst[i] = c;
    }
}

void Encrypt::DecodeMode2(const std::uint8_t* src, std::uint8_t* dst, std::size_t size) {
    const std::size_t b = BlockSize();
    for (std::size_t i = 0; i < size; ++i) {
        EncryptBlock(fb_.data(), work_.data());
        std::uint8_t c = src[i];
        ShiftIn(fb_.data(), b, c);
        dst[i] = c ^ work_[0];
    }
}

void Encrypt::CodeMode3(const std::uint8_t* src, std::uint8_t* dst, std::size_t size) {
    const std::size_t b = BlockSize();
    for (std::size_t i = 0; i < size; ++i) {
        EncryptBlock(fb_.data(), work_.data());
        dst[i] = src[i] ^ work_[0];
        ShiftIn(fb_.data(), b, work_[0]);
    }
}

void Encrypt::CodeMode4(const std::uint8_t* src, std::uint8_t* dst, std::size_t size, bool encode) {
    const std::size_t b = BlockSize();
    std::size_t pos = 0;
    for (; pos + b <= size; pos += b) {
        std::memcpy(work_.data(), src + pos, b);
        if (encode)
            EncryptBlock(work_.data(), dst + pos);
        else
            DecryptBlock(work_.data(), dst + pos);
    }
    if (pos < size && src != dst)
        std::memmove(dst + pos, src + pos, size - pos);
}

void Encrypt::WipeWork() {
    SecureZero(work_.data(), work_.size());
}

}  // namespace chimdb
