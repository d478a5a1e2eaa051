#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace chimdb {

// Whether every byte of a text is below 0x80.
inline bool IsAscii(std::string_view bytes) {
    std::uint8_t high = 0;
    for (char c : bytes)
        high |= static_cast<std::uint8_t>(c);
    return high < 0x80;
}

// What ICU's converter makes of the bytes of one single- or double-byte code page, learnt
// from the converter itself and kept in tables, so that the texts of every record read need
// no converter call: ASCII bytes, single bytes of the upper half and the double-byte
// characters that the converter maps to one UTF-16 unit. A text with anything else in it (a
// byte that is no character, a lead byte without its trail, a character outside the basic
// plane) is left to the converter, which the callers then ask: the tables never decide what
// the converter would decide otherwise.
//
// A lead byte's row is learnt the first time a text uses it; rows are shared by every
// thread and never change once learnt.
class CodePageTable {
  public:
    // The table of a code page, made on first use; nullptr for a code page whose characters
    // take more than two bytes or depend on a shift state, which only the converter reads.
    static const CodePageTable* For(int codePage);
    // The table of the database code page, looked up once per thread and code page.
    static const CodePageTable* Current();

    // Whether every byte below 0x80 is the ASCII character of the same number, so that a
    // text of such bytes is its own UTF-8 and UTF-16.
    bool AsciiIsIdentity() const { return asciiIdentity_; }

    // The text as UTF-16 (appended) or UTF-8 (appended); false, with out as it was, when a
    // byte sequence is not in the tables.
    bool AppendUtf16(std::string_view bytes, std::u16string& out) const;
    bool AppendUtf8(std::string_view bytes, std::string& out) const;
    // The same into a caller's buffer of at least bytes.size() units: the units written, or
    // -1 when a byte sequence is not in the tables.
    std::int32_t ToUtf16(std::string_view bytes, char16_t* out) const;

    CodePageTable(const CodePageTable&) = delete;
    CodePageTable& operator=(const CodePageTable&) = delete;
    ~CodePageTable();

  private:
    // A byte's unit: a character of its own, the first byte of a double-byte character, or
    // a byte the tables do not know.
    static constexpr char16_t kLeadByte = 0xFFFF;
    static constexpr char16_t kUnknown = 0xFFFE;
    using Row = std::array<char16_t, 256>;

    explicit CodePageTable(int codePage);
    void LearnSingleBytes();
    const Row& RowOf(std::uint8_t lead) const;
    std::unique_ptr<Row> LearnRow(std::uint8_t lead) const;
    // The one unit that the converter makes of these bytes, kUnknown for anything else.
    char16_t ConvertAlone(const char* bytes, std::size_t size) const;

    template <typename Emit>
    bool Decode(std::string_view bytes, Emit emit) const;

    int codePage_;
    bool asciiIdentity_ = false;
    Row single_{};
    mutable std::array<std::atomic<const Row*>, 256> rows_{};
};

}  // namespace chimdb
