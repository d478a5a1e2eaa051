#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace chimdb {

// The form in which deciphered records are kept in memory: a record image without the
// unused ends of its text fields. A text field holds its bytes up to and including the
// terminating zero (the zeros after it are not kept; they read as zeros again), so a table
// whose texts are declared wide but written short (file names of 200 bytes that are
// mostly 20) is kept in a third of the memory and read with a third of the cache misses.
//
// A compact record: the end offsets of the texts (16 bits each, relative to the record),
// then every other field at a fixed place, then the texts one after the other.
class CompactRecordLayout {
  public:
    CompactRecordLayout() = default;
    // From the table's field types, their offsets in the record image and their widths.
    CompactRecordLayout(const std::vector<std::uint8_t>& fieldTypes,
                        const std::vector<std::int32_t>& imageOffsets,
                        const std::vector<std::int32_t>& widths);

    // Whether records of the table can be kept this way (a compact record must stay below
    // 64 KiB for its 16-bit offsets).
    bool Usable() const { return usable_; }
    std::size_t MaxSize() const { return maxSize_; }

    // The compact size of a plain record image, and the compact record itself.
    std::size_t SizeOf(const std::uint8_t* image) const;
    void Pack(const std::uint8_t* image, std::uint8_t* out) const;
    // The whole plain image again (text fields padded with zeros to their width).
    void Unpack(const std::uint8_t* compact, std::uint8_t* image) const;
    // A field's kept bytes: its width for every field but a text, whose bytes end with its
    // terminating zero (or fill the width when the stored text has none).
    std::span<const std::uint8_t> Field(const std::uint8_t* compact, std::size_t fieldNo) const {
        const Place& place = places_[fieldNo];
        if (!place.text)
            return {compact + place.compact, static_cast<std::size_t>(place.width)};
        const std::size_t begin =
            place.compact == 0 ? fixedEnd_ : TextEnd(compact, place.compact - 1);
        return {compact + begin, TextEnd(compact, place.compact) - begin};
    }
    // Whether a field is a blob (its kept bytes are the descriptor).
    bool IsBlob(std::size_t fieldNo) const { return places_[fieldNo].blob; }

  private:
    struct Place {
        bool text = false;
        bool blob = false;
        std::int32_t imageOffset = 0;
        std::int32_t width = 0;
        // A fixed field's offset in the compact record; a text's number among the texts.
        std::uint32_t compact = 0;
    };

    std::size_t TextLength(const std::uint8_t* image, const Place& place) const;
    static std::uint16_t TextEnd(const std::uint8_t* compact, std::size_t text) {
        std::uint16_t end = 0;
        std::memcpy(&end, compact + text * sizeof(end), sizeof(end));
        return end;
    }

    std::vector<Place> places_;
    std::size_t texts_ = 0;
    std::size_t fixedEnd_ = 0;  // where the texts begin
    std::size_t maxSize_ = 0;
    std::size_t imageSize_ = 0;
    bool usable_ = false;
};

}  // namespace chimdb
