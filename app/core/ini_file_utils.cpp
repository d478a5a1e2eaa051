#include "app/core/ini_file_utils.h"

#include <filesystem>
#include <utility>

namespace chimora {

IniFileUtils::IniFileUtils(const std::string& executablePath) {
    SetAppPath(std::filesystem::path(executablePath).parent_path().string());
}

IniFileUtils IniFileUtils::ForProgramFolder(const std::string& folder) {
    IniFileUtils paths;
    paths.SetAppPath(folder);
    return paths;
}

void IniFileUtils::SetAppPath(std::string folder) {
    const char separator = std::filesystem::path::preferred_separator;
    appPath_ = std::move(folder);
    if (appPath_.empty() || appPath_.back() != separator) {
        appPath_ += separator;
    }
    musicPath_ = appPath_ + "music" + separator;
}

}  // namespace chimora
