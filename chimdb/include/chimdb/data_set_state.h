#pragma once

namespace chimdb {

// What a dataset is doing. The last three are entered only for the length of one operation
// (a key search, a computation of calculated fields, a filter pass) and then restored.
enum class DataSetState {
    dsInactive,
    dsBrowse,
    dsEdit,
    dsInsert,
    dsSetKey,
    dsCalcFields,
    dsFilter,
};

// The action a post, edit or delete error handler asks for.
enum class DataAction { daFail, daAbort, daRetry };

}  // namespace chimdb
