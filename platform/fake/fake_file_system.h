#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace chimora::platform {

// Files are full paths in a set; folders and their listings are scripted separately, in the
// order a test wants them returned.
class FakeFileSystem : public FileSystem {
  public:
    bool FileExists(const std::string& path) const override { return files.count(path) > 0; }
    bool FolderExists(const std::string& path) const override { return folders.count(path) > 0; }
    std::vector<FolderItem> ListFolder(const std::string& path) const override {
        const auto it = folders.find(path);
        return it == folders.end() ? std::vector<FolderItem>{} : it->second;
    }

    // Adds name to the listing of folder (creating the folder), and the file to files.
    void AddFile(const std::string& folder, const std::string& name) {
        folders[folder].push_back({name, false});
        files.insert(folder + name);
    }
    void AddFolder(const std::string& folder, const std::string& name) {
        folders[folder].push_back({name, true});
    }

    std::set<std::string> files;
    std::map<std::string, std::vector<FolderItem>> folders;
};

}  // namespace chimora::platform
