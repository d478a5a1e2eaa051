#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "format/file_format.h"

namespace chimdb {

// How the data of a database is processed: compression, cipher and mode, blob write
// verification and the password's hash text. Bytes the store does not interpret are
// kept as read.
struct ProcessHeader {
    bool CompressEnabled = false;
    std::string CompressAlgoName;
    bool EncryptEnabled = false;
    std::uint8_t EncryptMode = 0;
    std::string EncryptAlgoName;
    bool VerifyWrites = false;
    std::string PasswordHash;
    std::array<std::uint8_t, format::kProcessHeaderSize> raw{};

    // Raises "Database file '%s' is corrupt" for a cipher mode outside 0..4.
    static ProcessHeader Parse(std::span<const std::uint8_t> bytes, std::string_view fileName);
    void Serialize(std::span<std::uint8_t> bytes) const;
};

}  // namespace chimdb
