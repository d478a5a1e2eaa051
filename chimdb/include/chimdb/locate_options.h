#pragma once

namespace chimdb {

// How Locate compares the values it is given with the stored ones.
struct LocateOptions {
    // Strings equal without regard to case.
    bool caseInsensitive = false;
    // A string value matches every stored value it begins (a value "AB" finds "ABC").
    bool partialKey = false;
};

}  // namespace chimdb
