#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace chimdb {

// The names of the usable field types ("ftString", "ftInteger", ...), as the tool and
// schema files spell them.
std::optional<std::string_view> FieldTypeName(std::uint8_t code);
// Exact, case-sensitive lookup of a usable type; nothing for an unknown name.
std::optional<std::uint8_t> FieldTypeFromName(std::string_view name);

}  // namespace chimdb
