#include "chimdb/field_type_name.h"

#include <array>
#include <utility>

#include "chimdb/field_type.h"

namespace chimdb {

namespace {

using Entry = std::pair<FieldType, std::string_view>;

constexpr std::array kNames{
    Entry{FieldType::ftString, "ftString"},       Entry{FieldType::ftSmallint, "ftSmallint"},
    Entry{FieldType::ftInteger, "ftInteger"},     Entry{FieldType::ftWord, "ftWord"},
    Entry{FieldType::ftBoolean, "ftBoolean"},     Entry{FieldType::ftFloat, "ftFloat"},
    Entry{FieldType::ftCurrency, "ftCurrency"},   Entry{FieldType::ftDate, "ftDate"},
    Entry{FieldType::ftTime, "ftTime"},           Entry{FieldType::ftDateTime, "ftDateTime"},
    Entry{FieldType::ftAutoInc, "ftAutoInc"},     Entry{FieldType::ftBlob, "ftBlob"},
    Entry{FieldType::ftMemo, "ftMemo"},           Entry{FieldType::ftGraphic, "ftGraphic"},
    Entry{FieldType::ftFmtMemo, "ftFmtMemo"},     Entry{FieldType::ftParadoxOle, "ftParadoxOle"},
    Entry{FieldType::ftDBaseOle, "ftDBaseOle"},   Entry{FieldType::ftTypedBinary, "ftTypedBinary"},
    Entry{FieldType::ftFixedChar, "ftFixedChar"}, Entry{FieldType::ftLargeint, "ftLargeint"},
    Entry{FieldType::ftOraBlob, "ftOraBlob"},     Entry{FieldType::ftOraClob, "ftOraClob"},
};

}  // namespace

std::optional<std::string_view> FieldTypeName(std::uint8_t code) {
    for (const auto& [type, name] : kNames) {
        if (static_cast<std::uint8_t>(type) == code)
            return name;
    }
    return std::nullopt;
}

std::optional<std::uint8_t> FieldTypeFromName(std::string_view name) {
    for (const auto& [type, typeName] : kNames) {
        if (typeName == name)
            return static_cast<std::uint8_t>(type);
    }
    return std::nullopt;
}

}  // namespace chimdb
