#include "table_io/chim_field_def.h"

#include <memory>

namespace chimdb {

ChimFieldDef& ChimFieldDefs::Add(std::string name, std::uint8_t fieldType, std::int32_t size,
                                 std::uint8_t processFlag) {
    BeginUpdate();
    auto& def =
        static_cast<ChimFieldDef&>(AddItem(std::make_unique<ChimFieldDef>(), std::move(name)));
    def.fieldType_ = fieldType;
    def.size_ = size;
    def.processFlag_ = processFlag;
    EndUpdate();
    return def;
}

void ChimFieldDefs::Assign(ChimFieldDef& target, const ChimFieldDef& source) {
    BeginUpdate();
    target.SetName(source.Name());
    target.fieldType_ = source.fieldType_;
    target.size_ = source.size_;
    target.processFlag_ = source.processFlag_;
    EndUpdate();
}

}  // namespace chimdb
