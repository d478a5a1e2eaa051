#pragma once

#include <cstdint>
#include <string>

namespace chimdb {

// One field slot of a table header. The name is in database code page bytes.
struct FieldDefItem {
    std::string name;
    std::uint8_t fieldType = 0;    // a FieldType code; unknown codes are kept as read
    std::int32_t fieldSize = 0;    // characters for string types, otherwise not used for the width
    std::uint8_t ProcessFlag = 0;  // 0: processed as the database says; else stored as is
};

}  // namespace chimdb
