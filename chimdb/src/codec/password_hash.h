#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace chimdb {

// Text stored in a database file as the hash of its password: the SHA-0 digest of the
// password bytes, encoded with EncodePasswordDigest.
std::string PasswordHashText(std::string_view passwordBytes);

// The store's own base-64 form of a digest. It differs from standard Base64: within each
// 3-byte group, trailing zero sextets (and a whole zero group) write no character, and the
// "=" padding depends only on the digest length.
std::string EncodePasswordDigest(std::span<const std::uint8_t> digest);

}  // namespace chimdb
