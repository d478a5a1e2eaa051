#pragma once

#include <stdexcept>
#include <string>

namespace chimora::platform {

// Raised when the start-with-the-system entry cannot be written.
class AutorunError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Starting the program with the system: one named entry holding the program's full path.
class Autorun {
  public:
    virtual ~Autorun() = default;
    // Writes (or replaces) the entry name with data, the program's full path.
    // Raises AutorunError "Failed to set data for '<name>'" when it cannot.
    virtual void AddAutoRun(const std::string& name, const std::string& data) = 0;
    // Removes the entry; a missing entry or a failed removal goes unreported.
    virtual void DeleteAutoRun(const std::string& name) = 0;
};

}  // namespace chimora::platform
