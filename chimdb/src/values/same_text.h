#pragma once

#include <string_view>

namespace chimdb {

// Compares two UTF-8 names (sessions, databases, tables) without regard to case, by Unicode
// case folding. Texts that are not valid UTF-8 compare byte for byte.
bool SameTextIgnoringCase(std::string_view a, std::string_view b);

}  // namespace chimdb
