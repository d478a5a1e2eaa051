#pragma once

#include <string>

namespace chimora {

// The program folder (where the executable, db.dll and music/ lie) and the music folder.
class IniFileUtils {
  public:
    // executablePath: full path of the running program.
    explicit IniFileUtils(const std::string& executablePath);
    // A program folder chosen elsewhere (an installed program's data folder).
    static IniFileUtils ForProgramFolder(const std::string& folder);

    // The program folder, with a trailing separator.
    const std::string& GetAppPath() const { return appPath_; }
    // The program folder followed by "music" and a trailing separator.
    const std::string& GetMusicPath() const { return musicPath_; }

  private:
    IniFileUtils() = default;
    void SetAppPath(std::string folder);

    std::string appPath_;
    std::string musicPath_;
};

}  // namespace chimora
