#include "platform/linux/linux_file_system.h"

#include "platform/linux/native_path.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace chimora::platform {

bool LinuxFileSystem::FileExists(const std::string& path) const {
    std::error_code error;
    return std::filesystem::is_regular_file(NativePath(path), error);
}

bool LinuxFileSystem::FolderExists(const std::string& path) const {
    std::error_code error;
    return std::filesystem::is_directory(NativePath(path), error);
}

std::vector<FolderItem> LinuxFileSystem::ListFolder(const std::string& path) const {
    std::vector<FolderItem> items;
    std::error_code error;
    std::filesystem::directory_iterator it(NativePath(path), error);
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        std::error_code typeError;
        items.push_back({it->path().filename().string(), it->is_directory(typeError)});
    }
    std::sort(items.begin(), items.end(),
              [](const FolderItem& a, const FolderItem& b) { return a.name < b.name; });
    return items;
}

}  // namespace chimora::platform
