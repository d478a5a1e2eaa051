#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace chimdb {

// The 12 bytes at the start of a database file: magic text and version text.
struct FileHeader {
    std::string magic;
    std::string version;

    // The header a writer puts into a new file.
    static FileHeader Current();
    static FileHeader Parse(std::span<const std::uint8_t> bytes);
    void Serialize(std::span<std::uint8_t> bytes) const;

    // Refuses a foreign file ("Database file '%s' is a invalid ChimDB"), version "1.00"
    // and any version byte-wise greater than "2.0".
    void Check(std::string_view fileName) const;
};

// Byte-wise comparison of version texts; a prefix of a longer text is the smaller.
int CompareVersionText(std::string_view a, std::string_view b);

}  // namespace chimdb
