#pragma once

#include <string>
#include <vector>

namespace chimora::platform {

// One item of a folder listing.
struct FolderItem {
    std::string name;  // the bare name, without the folder
    bool isFolder = false;
};

// What the program asks of the file system. Paths use the stored form, where a
// backslash may separate a sub-folder from a file name; backends map it to the native form.
class FileSystem {
  public:
    virtual ~FileSystem() = default;
    virtual bool FileExists(const std::string& path) const = 0;
    virtual bool FolderExists(const std::string& path) const = 0;
    // Every item of the folder, hidden ones included, without "." and "..". A folder that
    // cannot be read lists nothing.
    virtual std::vector<FolderItem> ListFolder(const std::string& path) const = 0;
};

}  // namespace chimora::platform
