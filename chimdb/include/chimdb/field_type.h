#pragma once

#include <climits>
#include <cstdint>
#include <optional>

namespace chimdb {

// Field type codes as stored in a table header: the position of the type in the
// dataset framework's field type enumeration. Codes not listed here are unusable.
enum class FieldType : std::uint8_t {
    ftUnknown = 0,
    ftString = 1,
    ftSmallint = 2,
    ftInteger = 3,
    ftWord = 4,
    ftBoolean = 5,
    ftFloat = 6,
    ftCurrency = 7,
    ftDate = 9,
    ftTime = 10,
    ftDateTime = 11,
    ftAutoInc = 14,
    ftBlob = 15,
    ftMemo = 16,
    ftGraphic = 17,
    ftFmtMemo = 18,
    ftParadoxOle = 19,
    ftDBaseOle = 20,
    ftTypedBinary = 21,
    ftFixedChar = 23,
    ftLargeint = 25,
    ftOraBlob = 30,
    ftOraClob = 31,
};

// Size of the blob descriptor that stands in the record for every blob field.
inline constexpr std::int32_t kBlobDescriptorSize = 20;

constexpr bool IsBlobType(std::uint8_t code) {
    return (code >= 15 && code <= 21) || code == 30 || code == 31;
}

// Memo-like blobs hold text and compare as text; the other blobs compare byte by byte.
constexpr bool IsTextBlobType(std::uint8_t code) {
    return code == 16 || code == 18 || code == 31;
}

constexpr bool IsStringType(std::uint8_t code) {
    return code == 1 || code == 23;
}

// Width of a field in the fixed record, or nothing for a code the store cannot use.
constexpr std::optional<std::int32_t> FieldWidth(std::uint8_t code, std::int32_t declaredSize) {
    if (IsStringType(code)) {
        // A hostile size must not overflow the width.
        if (declaredSize < 0 || declaredSize == INT32_MAX)
            return std::nullopt;
        return declaredSize + 1;
    }
    if (IsBlobType(code))
        return kBlobDescriptorSize;
    switch (code) {
        case 2:
        case 4:
        case 5:
            return 2;
        case 3:
        case 14:
        case 9:
        case 10:
            return 4;
        case 6:
        case 7:
        case 11:
        case 25:
            return 8;
        default:
            return std::nullopt;
    }
}

}  // namespace chimdb
