#include "app/core/ini_file_utils.h"

#include <filesystem>

namespace chimora {

IniFileUtils::IniFileUtils(const std::string& executablePath) {
    const std::filesystem::path folder = std::filesystem::path(executablePath).parent_path();
    const char separator = std::filesystem::path::preferred_separator;
    appPath_ = folder.string();
    if (appPath_.empty() || appPath_.back() != separator) {
        appPath_ += separator;
    }
    musicPath_ = appPath_ + "music" + separator;
}

}  // namespace chimora
