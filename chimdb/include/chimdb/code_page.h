#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Strings inside a database file are bytes in the database code page; every API of
// the store takes and returns UTF-8. The code page is one setting for the whole
// process, 936 (GBK) unless changed.
namespace chimdb {

inline constexpr int kDefaultCodePage = 936;

// Changes the process-wide database code page; raises DatabaseError
// ("Code page %s is not supported") when no converter exists for it.
void SetDatabaseCodePage(int codePage);
int DatabaseCodePage();

// UTF-8 to code page bytes. Text the code page cannot represent (or that is not
// valid UTF-8) is refused: "Text '%s' cannot be stored in the database code page".
std::string ToCodePage(std::string_view utf8);

// Code page bytes to UTF-8. Bytes that are no character of the code page become
// U+FFFD, so that reading a damaged name never fails.
std::string FromCodePage(std::string_view bytes);

// The longest prefix of bytes that is at most width bytes long and ends at a
// character boundary (a double-byte character is never split).
std::string_view CutToWidth(std::string_view bytes, std::size_t width);

// Byte lengths of the characters of a text, in order, so that a text can be walked and cut by
// characters (a double-byte character is one). Bytes that form no character count one each.
std::vector<std::size_t> CharacterLengths(std::string_view bytes);

// Names of tables, fields and indexes (in code page bytes) compare without regard to case.
bool SameName(std::string_view codePageA, std::string_view codePageB);

}  // namespace chimdb
