#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace chimdb {

// Every failure of the store. what() is the English message with its %s filled in.
class DatabaseError : public std::runtime_error {
  public:
    explicit DatabaseError(const std::string& message) : std::runtime_error(message) {}
};

// A cancelled password prompt: ends the current action and is never shown to the user.
class Abort : public std::exception {
  public:
    const char* what() const noexcept override { return "Operation aborted"; }
};

// Fills the first "%s" of a message pattern with arg. The argument is a name, a value or a
// text that came from a file or a user, so it is shown escaped (PrintableText).
std::string FormatMessage(std::string_view pattern, std::string_view arg);

// An allocation that fails inside the store, where a program's call enters a table or a
// database file, is reported as a store error of one of these kinds instead of
// std::bad_alloc, so that it ends the action like every other store failure.
inline constexpr char kMsgNoMemoryToRead[] = "Not enough memory to read table '%s'";
inline constexpr char kMsgNoMemoryToWrite[] = "Not enough memory to write table '%s'";
inline constexpr char kMsgNoMemoryToOpen[] = "Not enough memory to open database file '%s'";
inline constexpr char kMsgNoMemoryForBlob[] =
    "Not enough memory to read a blob of database file '%s'";

[[noreturn]] inline void RaiseError(std::string_view pattern, std::string_view arg = {}) {
    throw DatabaseError(FormatMessage(pattern, arg));
}

}  // namespace chimdb
