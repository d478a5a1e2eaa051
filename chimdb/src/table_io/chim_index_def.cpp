#include "table_io/chim_index_def.h"

#include <memory>

namespace chimdb {

ChimIndexDef& ChimIndexDefs::Add(std::string name, CDIndexOptions options,
                                 std::vector<std::int32_t> fieldNumbers) {
    BeginUpdate();
    auto& def =
        static_cast<ChimIndexDef&>(AddItem(std::make_unique<ChimIndexDef>(), std::move(name)));
    def.options_ = options;
    def.fieldNumbers_ = std::move(fieldNumbers);
    EndUpdate();
    return def;
}

void ChimIndexDefs::Assign(ChimIndexDef& target, const ChimIndexDef& source) {
    BeginUpdate();
    target.SetName(source.Name());
    target.options_ = source.options_;
    target.fieldNumbers_ = source.fieldNumbers_;
    EndUpdate();
}

}  // namespace chimdb
