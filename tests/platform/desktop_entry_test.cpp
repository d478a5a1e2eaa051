// The package's menu entry and the autostart entry that the settings write for the
// installed program start the same executable, and the menu entry says what the desktop
// needs to list the program.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "platform/linux/xdg_autorun.h"

namespace chimora::platform {
namespace {

namespace fs = std::filesystem;

// The keys of a desktop entry's main group.
std::map<std::string, std::string> Keys(const fs::path& entry) {
    std::ifstream in(entry);
    std::map<std::string, std::string> keys;
    for (std::string line; std::getline(in, line);) {
        const auto equals = line.find('=');
        if (equals != std::string::npos && line[0] != '#')
            keys[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return keys;
}

const fs::path kMenuEntry =
    fs::path(CHIMORA_SOURCE_DIR) / "packaging" / "io.github.chimora.Chimora.desktop";

TEST(DesktopEntryTest, AutostartOfTheInstalledProgramRunsWhatTheMenuEntryRuns) {
    const fs::path folder =
        fs::temp_directory_path() / ("chimora_desktop_" + std::to_string(::getpid()));
    fs::remove_all(folder);
    XdgAutorun(folder.string()).AddAutoRun("Ring", "/usr/bin/chimora");
    const auto autostart = Keys(folder / "Ring.desktop");
    const auto menu = Keys(kMenuEntry);
    fs::remove_all(folder);

    EXPECT_EQ(menu.at("Exec"), "/usr/bin/chimora");
    EXPECT_EQ(autostart.at("Exec"), menu.at("Exec"));
    EXPECT_EQ(autostart.at("Type"), menu.at("Type"));
}

TEST(DesktopEntryTest, MenuEntryNamesTheProgramInBothLanguagesWithItsIcon) {
    const auto menu = Keys(kMenuEntry);
    EXPECT_EQ(menu.at("Name"), "Chimora");
    EXPECT_EQ(menu.at("Name[zh_CN]"), "Chimora 学校自动打铃");
    EXPECT_EQ(menu.at("Categories"), "Education;Utility;");
    EXPECT_FALSE(menu.at("Comment").empty());
    EXPECT_FALSE(menu.at("Comment[zh_CN]").empty());
    EXPECT_EQ(menu.at("Icon"), "io.github.chimora.Chimora");
    EXPECT_TRUE(fs::exists(kMenuEntry.parent_path() / (menu.at("Icon") + ".svg")));
}

}  // namespace
}  // namespace chimora::platform
