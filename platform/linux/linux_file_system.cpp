#include "platform/linux/linux_file_system.h"

#include "platform/linux/native_path.h"

#include <filesystem>
#include <system_error>

namespace chimora::platform {

bool LinuxFileSystem::FileExists(const std::string& path) const {
    std::error_code error;
    return std::filesystem::is_regular_file(NativePath(path), error);
}

}  // namespace chimora::platform
