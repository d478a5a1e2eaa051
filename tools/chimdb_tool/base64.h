#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace chimdb_tool {

// Standard Base64 (RFC 4648, with "=" padding) for blob values in JSON.
std::string EncodeBase64(std::span<const std::uint8_t> bytes);
// Nothing for text that is not padded Base64 of the standard alphabet.
std::optional<std::vector<std::uint8_t>> DecodeBase64(std::string_view text);

}  // namespace chimdb_tool
