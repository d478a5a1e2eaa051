#include "table_io/compact_record_layout.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "chimdb/field_type.h"

namespace chimdb {

CompactRecordLayout::CompactRecordLayout(const std::vector<std::uint8_t>& fieldTypes,
                                         const std::vector<std::int32_t>& imageOffsets,
                                         const std::vector<std::int32_t>& widths) {
    places_.resize(fieldTypes.size());
    for (std::size_t i = 0; i < fieldTypes.size(); ++i) {
        places_[i].text = IsStringType(fieldTypes[i]);
        places_[i].blob = IsBlobType(fieldTypes[i]);
        places_[i].imageOffset = imageOffsets[i];
        places_[i].width = widths[i];
        if (places_[i].text)
            places_[i].compact = static_cast<std::uint32_t>(texts_++);
        imageSize_ = std::max(imageSize_, static_cast<std::size_t>(imageOffsets[i] + widths[i]));
    }
    std::size_t at = texts_ * sizeof(std::uint16_t);
    std::size_t textWidths = 0;
    for (Place& place : places_) {
        if (place.text) {
            textWidths += static_cast<std::size_t>(place.width);
            continue;
        }
        place.compact = static_cast<std::uint32_t>(at);
        at += static_cast<std::size_t>(place.width);
    }
    fixedEnd_ = at;
    maxSize_ = at + textWidths;
    usable_ = maxSize_ <= std::numeric_limits<std::uint16_t>::max();
}

std::size_t CompactRecordLayout::TextLength(const std::uint8_t* image, const Place& place) const {
    const std::uint8_t* text = image + place.imageOffset;
    const auto width = static_cast<std::size_t>(place.width);
    const void* end = std::memchr(text, 0, width);
    return end == nullptr
               ? width
               : static_cast<std::size_t>(static_cast<const std::uint8_t*>(end) - text) + 1;
}

std::size_t CompactRecordLayout::SizeOf(const std::uint8_t* image) const {
    std::size_t size = fixedEnd_;
    for (const Place& place : places_)
        if (place.text)
            size += TextLength(image, place);
    return size;
}

void CompactRecordLayout::Pack(const std::uint8_t* image, std::uint8_t* out) const {
    std::size_t end = fixedEnd_;
    for (const Place& place : places_) {
        const std::uint8_t* value = image + place.imageOffset;
        if (!place.text) {
            std::memcpy(out + place.compact, value, static_cast<std::size_t>(place.width));
            continue;
        }
        const std::size_t length = TextLength(image, place);
        std::memcpy(out + end, value, length);
        end += length;
        const auto offset = static_cast<std::uint16_t>(end);
        std::memcpy(out + place.compact * sizeof(offset), &offset, sizeof(offset));
    }
}

void CompactRecordLayout::Unpack(const std::uint8_t* compact, std::uint8_t* image) const {
    std::memset(image, 0, imageSize_);
    for (std::size_t i = 0; i < places_.size(); ++i) {
        const std::span<const std::uint8_t> value = Field(compact, i);
        std::memcpy(image + places_[i].imageOffset, value.data(), value.size());
    }
}

}  // namespace chimdb
