#include "codec/sha0.h"

#include <cstring>

namespace chimdb {
namespace {

constexpr std::uint32_t Rotl(std::uint32_t value, int bits) {
    return (value << bits) | (value >> (32 - bits));
}

std::uint32_t LoadBigEndian(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

}  // namespace

void HashSha::Reset() {
    state_ = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u};
    buffer_.fill(0);
    buffered_ = 0;
    messageBytes_ = 0;
}

void HashSha::Update(std::string_view bytes) {
    Update(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

void HashSha::Update(std::span<const std::uint8_t> bytes) {
    messageBytes_ += bytes.size();
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t take = std::min(buffer_.size() - buffered_, bytes.size() - pos);
        std::memcpy(buffer_.data() + buffered_, bytes.data() + pos, take);
        buffered_ += take;
        pos += take;
        if (buffered_ == buffer_.size()) {
            ProcessBlock(buffer_.data());
            buffered_ = 0;
        }
    }
}

HashSha::Digest HashSha::Final() {
    const std::uint64_t bitLength = messageBytes_ * 8;
    buffer_[buffered_++] = 0x80;
    if (buffered_ > 56) {
        std::memset(buffer_.data() + buffered_, 0, buffer_.size() - buffered_);
        ProcessBlock(buffer_.data());
        buffered_ = 0;
    }
    std::memset(buffer_.data() + buffered_, 0, 56 - buffered_);
    for (int i = 0; i < 8; ++i)
        buffer_[56 + i] = static_cast<std::uint8_t>(bitLength >> (56 - 8 * i));
    ProcessBlock(buffer_.data());

    Digest digest{};
    for (std::size_t i = 0; i < state_.size(); ++i) {
        for (int b = 0; b < 4; ++b)
            digest[4 * i + b] = static_cast<std::uint8_t>(state_[i] >> (24 - 8 * b));
    }
    Reset();
    return digest;
}

HashSha::Digest HashSha::Calc(std::string_view bytes) {
    HashSha hash;
    hash.Update(bytes);
    return hash.Final();
}

void HashSha::ProcessBlock(const std::uint8_t* block) {
    std::uint32_t w[80];
    for (int t = 0; t < 16; ++t)
        w[t] = LoadBigEndian(block + 4 * t);
    // The original schedule: no rotation of the XOR (the one change of SHA-1).
    for (int t = 16; t < 80; ++t)
        w[t] = w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16];

    std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3], e = state_[4];
    for (int t = 0; t < 80; ++t) {
        std::uint32_t f, k;
        if (t < 20) {
            f = (b & c) | (~b & d);
            k = 0x5A827999u;
        } else if (t < 40) {
            f = b ^ c ^ d;
            k = 0x6ED9EBA1u;
        } else if (t < 60) {
            f = (b & c) | (b & d) | (c & d);
            k = 0x8F1BBCDCu;
        } else {
            f = b ^ c ^ d;
            k = 0xCA62C1D6u;
        }
        std::uint32_t temp = Rotl(a, 5) + f + e + k + w[t];
        e = d;
        d = c;
        c = Rotl(b, 30);
        b = a;
        a = temp;
    }
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
    state_[4] += e;
}

}  // namespace chimdb
