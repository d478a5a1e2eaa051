#pragma once

#include <set>
#include <string>

#include "platform/file_system.h"

namespace chimora::platform {

class FakeFileSystem : public FileSystem {
  public:
    bool FileExists(const std::string& path) const override { return files.count(path) > 0; }

    std::set<std::string> files;
};

}  // namespace chimora::platform
