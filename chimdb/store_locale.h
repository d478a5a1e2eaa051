#pragma once

#include <string>

namespace chimdb {

// The locale whose rules the store follows for comparing text (collation, case) and for
// the text forms of dates and times: the user's default locale unless a host sets another.
// name is an ICU locale name such as "zh_CN"; raises DatabaseError for an unknown name.
void SetStoreLocale(const std::string& name);

}  // namespace chimdb
