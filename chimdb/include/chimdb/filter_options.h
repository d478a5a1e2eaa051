#pragma once

namespace chimdb {

// Options handed to the filter evaluator.
struct FilterOptions {
    bool caseInsensitive = false;
    bool noPartialCompare = false;
    friend bool operator==(const FilterOptions&, const FilterOptions&) = default;
};

}  // namespace chimdb
