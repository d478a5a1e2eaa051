#pragma once

#include <string>

namespace chimora::platform {

// What the program asks of the file system. Paths use the stored form, where a
// backslash may separate a sub-folder from a file name; backends map it to the native form.
class FileSystem {
  public:
    virtual ~FileSystem() = default;
    virtual bool FileExists(const std::string& path) const = 0;
};

}  // namespace chimora::platform
