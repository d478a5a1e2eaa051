#include "chimdb/database_error.h"

#include "values/printable_text.h"

namespace chimdb {

std::string FormatMessage(std::string_view pattern, std::string_view arg) {
    std::string out(pattern);
    if (auto pos = out.find("%s"); pos != std::string::npos) {
        out.replace(pos, 2, PrintableText(arg));
    }
    return out;
}

}  // namespace chimdb
