#pragma once

#include "platform/log_files.h"

namespace chimora::platform {

// Opens the file for every append (O_APPEND) and syncs it before closing: a log that was
// moved away or deleted simply starts again, no descriptor is held across a suspend or a
// lost disk, and the last line survives the PC being switched off seconds later.
class LinuxLogFiles : public LogFiles {
  public:
    std::optional<std::uintmax_t> Size(const std::string& path) const override;
    bool AppendDurably(const std::string& path, const std::string& text) override;
    bool Rename(const std::string& from, const std::string& to) override;
};

}  // namespace chimora::platform
