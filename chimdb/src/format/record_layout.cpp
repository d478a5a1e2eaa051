#include "format/record_layout.h"

#include <limits>

#include "chimdb/database_error.h"
#include "chimdb/field_type.h"
#include "format/file_format.h"

namespace chimdb {

RecordLayout RecordLayout::Compute(const std::vector<FieldDefItem>& fields) {
    RecordLayout layout;
    std::int64_t offset = 0;
    for (const FieldDefItem& field : fields) {
        if (IsStringType(field.fieldType) &&
            (field.fieldSize < 0 || field.fieldSize == std::numeric_limits<std::int32_t>::max()))
            RaiseError(format::kMsgGeneralError);
        auto width = FieldWidth(field.fieldType, field.fieldSize);
        if (!width)
            RaiseError(format::kMsgGeneralError);
        layout.FieldOffsets.push_back(static_cast<std::int32_t>(offset));
        offset += *width;
        if (offset > std::numeric_limits<std::int32_t>::max())
            RaiseError(format::kMsgGeneralError);
    }
    layout.RecordSize = static_cast<std::int32_t>(offset);
    return layout;
}

}  // namespace chimdb
