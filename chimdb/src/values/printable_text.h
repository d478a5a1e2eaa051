#pragma once

#include <string>
#include <string_view>

namespace chimdb {

// A text from a file or from a user (a table, field or index name, a filter text, a value)
// made safe to put into a message: control characters, line and paragraph separators, the
// characters that reorder text direction, and bytes that are not UTF-8 are written as
// visible escapes (\n, \r, \t, \xNN for a byte, \uXXXX for a character), so that such a text
// can neither break a message box or a log line nor disguise the message around it. Every
// other character stays as it is.
std::string PrintableText(std::string_view text);

}  // namespace chimdb
