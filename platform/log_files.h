#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace chimora::platform {

// The files a log grows line by line and sets aside when it is full. Paths are native. No
// call throws: a failure is only reported, because a log must never disturb the program.
class LogFiles {
  public:
    virtual ~LogFiles() = default;
    // The size in bytes; nothing when there is no such file or it cannot be read.
    virtual std::optional<std::uintmax_t> Size(const std::string& path) const = 0;
    // Appends text, creating the file when it is missing, and returns once the text is on
    // the disk; false when any part of that failed.
    virtual bool AppendDurably(const std::string& path, const std::string& text) = 0;
    // Renames from to to, replacing a file that has that name; false when nothing moved.
    virtual bool Rename(const std::string& from, const std::string& to) = 0;
};

}  // namespace chimora::platform
