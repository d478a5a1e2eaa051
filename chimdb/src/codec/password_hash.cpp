#include "codec/password_hash.h"

#include "codec/sha0.h"

namespace chimdb {
namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

}  // namespace

std::string EncodePasswordDigest(std::span<const std::uint8_t> digest) {
    std::string text;
    for (std::size_t pos = 0; pos < digest.size(); pos += 3) {
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < 3; ++i) {
            std::uint32_t byte = pos + i < digest.size() ? digest[pos + i] : 0;
            value |= byte << (24 - 8 * i);
        }
        // Take sextets from the top; stop as soon as the rest of the group is zero.
        while (value != 0) {
            value = (value << 6) | (value >> 26);
            text += kAlphabet[value & 0x3F];
            value &= ~std::uint32_t{0x3F};
        }
    }
    if (digest.size() % 3 == 1)
        text += "==";
    else if (digest.size() % 3 == 2)
        text += "=";
    return text;
}

std::string PasswordHashText(std::string_view passwordBytes) {
    HashSha::Digest digest = HashSha::Calc(passwordBytes);
    return EncodePasswordDigest(digest);
}

}  // namespace chimdb
