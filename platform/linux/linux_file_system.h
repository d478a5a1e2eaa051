#pragma once

#include "platform/file_system.h"

namespace chimora::platform {

class LinuxFileSystem : public FileSystem {
  public:
    bool FileExists(const std::string& path) const override;
    bool FolderExists(const std::string& path) const override;
    // Sorted by name, so that the music list reads the same on every machine (the order in
    // which a Linux file system returns names is arbitrary).
    std::vector<FolderItem> ListFolder(const std::string& path) const override;
};

}  // namespace chimora::platform
