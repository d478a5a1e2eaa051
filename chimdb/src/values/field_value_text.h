#pragma once

#include <cstdint>
#include <string>

namespace chimdb {

// The text of one field value in record encoding (strings converted to UTF-8; smallint,
// integer, autoinc, word, largeint decimal; boolean "True"/"False"; float and currency in
// the general float format; date in the short date format, time in the long time format,
// date-time in both, of the user's locale); any failure gives "".
// Blob fields have no text here (their content lies outside the record): "".
std::string FieldValueAsText(std::uint8_t fieldType, const std::uint8_t* value, std::int32_t width);

}  // namespace chimdb
