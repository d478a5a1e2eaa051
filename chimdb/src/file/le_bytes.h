#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

// Little-endian fields in byte buffers. Every structure of the file is read and
// written field by field through these, never by casting file bytes to a struct.
namespace chimdb::le {

inline void CheckRange(std::size_t size, std::size_t offset, std::size_t width) {
    if (offset > size || width > size - offset)
        throw std::out_of_range("field outside its structure");
}

inline std::uint8_t GetU8(std::span<const std::uint8_t> buf, std::size_t offset) {
    CheckRange(buf.size(), offset, 1);
    return buf[offset];
}

inline void PutU8(std::span<std::uint8_t> buf, std::size_t offset, std::uint8_t value) {
    CheckRange(buf.size(), offset, 1);
    buf[offset] = value;
}

inline std::uint32_t GetU32(std::span<const std::uint8_t> buf, std::size_t offset) {
    CheckRange(buf.size(), offset, 4);
    return static_cast<std::uint32_t>(buf[offset]) |
           static_cast<std::uint32_t>(buf[offset + 1]) << 8 |
           static_cast<std::uint32_t>(buf[offset + 2]) << 16 |
           static_cast<std::uint32_t>(buf[offset + 3]) << 24;
}

inline std::int32_t GetI32(std::span<const std::uint8_t> buf, std::size_t offset) {
    return static_cast<std::int32_t>(GetU32(buf, offset));
}

inline void PutU32(std::span<std::uint8_t> buf, std::size_t offset, std::uint32_t value) {
    CheckRange(buf.size(), offset, 4);
    for (int i = 0; i < 4; ++i)
        buf[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline void PutI32(std::span<std::uint8_t> buf, std::size_t offset, std::int32_t value) {
    PutU32(buf, offset, static_cast<std::uint32_t>(value));
}

// A name field of the given width: the text up to the first NUL, or all bytes.
inline std::string GetText(std::span<const std::uint8_t> buf, std::size_t offset,
                           std::size_t width) {
    CheckRange(buf.size(), offset, width);
    const auto* begin = reinterpret_cast<const char*>(buf.data() + offset);
    const void* nul = std::memchr(begin, 0, width);
    std::size_t length = nul ? static_cast<const char*>(nul) - begin : width;
    return std::string(begin, length);
}

// Writes text and fills the rest of the field with NUL; text must fit the width.
inline void PutText(std::span<std::uint8_t> buf, std::size_t offset, std::size_t width,
                    std::string_view text) {
    CheckRange(buf.size(), offset, width);
    if (text.size() > width)
        throw std::length_error("text longer than its field");
    std::memset(buf.data() + offset, 0, width);
    std::memcpy(buf.data() + offset, text.data(), text.size());
}

}  // namespace chimdb::le
