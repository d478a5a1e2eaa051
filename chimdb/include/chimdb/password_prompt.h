#pragma once

#include <functional>
#include <optional>
#include <string>

namespace chimdb {

// The host's password prompt for a database file. Given the file path, it returns the typed
// password, or nullopt when the user cancelled. The store itself shows nothing: a session
// without a prompt treats every prompt as cancelled.
using PasswordPrompt = std::function<std::optional<std::string>(const std::string& filePath)>;

}  // namespace chimdb
