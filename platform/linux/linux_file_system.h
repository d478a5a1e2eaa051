#pragma once

#include "platform/file_system.h"

namespace chimora::platform {

class LinuxFileSystem : public FileSystem {
  public:
    bool FileExists(const std::string& path) const override;
};

}  // namespace chimora::platform
