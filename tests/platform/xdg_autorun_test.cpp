#include "platform/linux/xdg_autorun.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace chimora::platform {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string ExecLine(const fs::path& entry) {
    std::istringstream in(ReadFile(entry));
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("Exec=", 0) == 0) {
            return line.substr(5);
        }
    }
    return {};
}

// Every test works in its own temporary folder; the user's real autostart folder is
// never touched.
class XdgAutorunTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root = fs::temp_directory_path() / ("chimora_autorun_" + std::to_string(::getpid()));
        fs::remove_all(root);
        fs::create_directories(root);
        folder = root / "config" / "autostart";
    }
    void TearDown() override { fs::remove_all(root); }

    fs::path root;
    fs::path folder;
};

TEST_F(XdgAutorunTest, AddCreatesTheFolderAndWritesACompleteEntry) {
    XdgAutorun autorun(folder.string());
    autorun.AddAutoRun("Ring", "/opt/chimora/chimora");
    EXPECT_EQ(ReadFile(folder / "Ring.desktop"),
              "[Desktop Entry]\n"
              "Type=Application\n"
              "Name=Ring\n"
              "Exec=/opt/chimora/chimora\n"
              "X-GNOME-Autostart-enabled=true\n");
    EXPECT_EQ(fs::status(folder / "Ring.desktop").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                  fs::perms::others_read);
}

TEST_F(XdgAutorunTest, AddingTwiceKeepsOneEntryWithTheLastPath) {
    XdgAutorun autorun(folder.string());
    autorun.AddAutoRun("Ring", "/first/chimora");
    autorun.AddAutoRun("Ring", "/second/chimora");
    EXPECT_EQ(ExecLine(folder / "Ring.desktop"), "/second/chimora");
    // No temporary files are left beside the entry.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

TEST_F(XdgAutorunTest, DeleteRemovesTheEntryAndIsSilentWhenItIsMissing) {
    XdgAutorun autorun(folder.string());
    autorun.AddAutoRun("Ring", "/opt/chimora/chimora");
    autorun.DeleteAutoRun("Ring");
    EXPECT_FALSE(fs::exists(folder / "Ring.desktop"));
    EXPECT_NO_THROW(autorun.DeleteAutoRun("Ring"));
    XdgAutorun nowhere((root / "no" / "such" / "folder").string());
    EXPECT_NO_THROW(nowhere.DeleteAutoRun("Ring"));
}

TEST_F(XdgAutorunTest, ExecQuotesPathsWithBlanksQuotesAndSpecialCharacters) {
    XdgAutorun autorun(folder.string());
    struct Case {
        const char* path;
        const char* exec;  // as it stands in the file
    };
    const Case cases[] = {
        {"/home/li/My Bells/chimora", R"("/home/li/My Bells/chimora")"},
        {R"(/home/li/"new"/chimora)", R"("/home/li/\\"new\\"/chimora")"},
        {"/home/li/it's/chimora", R"("/home/li/it's/chimora")"},
        {"/home/li/$HOME`x`/chimora", R"("/home/li/\\$HOME\\`x\\`/chimora")"},
        {R"(/home/li/back\slash/chimora)", R"("/home/li/back\\\\slash/chimora")"},
        {"/home/li/100%/chimora", "/home/li/100%%/chimora"},
        {"/home/li/学校 铃声/chimora", R"("/home/li/学校 铃声/chimora")"},
    };
    for (const Case& c : cases) {
        autorun.AddAutoRun("Ring", c.path);
        EXPECT_EQ(ExecLine(folder / "Ring.desktop"), c.exec) << c.path;
    }
}

TEST_F(XdgAutorunTest, ControlCharactersStayOnTheExecLine) {
    XdgAutorun autorun(folder.string());
    autorun.AddAutoRun("Ring", "/tmp/a\nType=Link");
    EXPECT_EQ(ExecLine(folder / "Ring.desktop"), R"("/tmp/a\nType=Link")");
    EXPECT_EQ(ReadFile(folder / "Ring.desktop").find("\nType=Link"), std::string::npos);
}

TEST_F(XdgAutorunTest, UnwritableFolderRaisesTheMessage) {
    // A plain file where the folder should be: no one, root included, can write there.
    { std::ofstream(root / "config") << "not a folder"; }
    XdgAutorun autorun(folder.string());
    try {
        autorun.AddAutoRun("Ring", "/opt/chimora/chimora");
        FAIL() << "no error raised";
    } catch (const AutorunError& error) {
        EXPECT_STREQ(error.what(), "Failed to set data for 'Ring'");
    }
}

TEST_F(XdgAutorunTest, NamesThatWouldLeaveTheFolderAreRefused) {
    XdgAutorun autorun(folder.string());
    EXPECT_THROW(autorun.AddAutoRun("../Ring", "/opt/chimora/chimora"), AutorunError);
    EXPECT_THROW(autorun.AddAutoRun("", "/opt/chimora/chimora"), AutorunError);
    EXPECT_FALSE(fs::exists(root / "config" / "Ring.desktop"));
    EXPECT_NO_THROW(autorun.DeleteAutoRun("../Ring"));
}

TEST_F(XdgAutorunTest, DefaultFolderFollowsXdgConfigHomeThenHome) {
    const char* savedConfig = std::getenv("XDG_CONFIG_HOME");
    const char* savedHome = std::getenv("HOME");
    const std::string oldConfig = savedConfig ? savedConfig : "";
    const std::string oldHome = savedHome ? savedHome : "";

    ::setenv("XDG_CONFIG_HOME", "/srv/cfg", 1);
    EXPECT_EQ(XdgAutorun().Folder(), "/srv/cfg/autostart");
    ::setenv("XDG_CONFIG_HOME", "relative/cfg", 1);
    ::setenv("HOME", "/home/li", 1);
    EXPECT_EQ(XdgAutorun().Folder(), "/home/li/.config/autostart");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(XdgAutorun().Folder(), "/home/li/.config/autostart");

    savedConfig ? ::setenv("XDG_CONFIG_HOME", oldConfig.c_str(), 1) : ::unsetenv("XDG_CONFIG_HOME");
    savedHome ? ::setenv("HOME", oldHome.c_str(), 1) : ::unsetenv("HOME");
}

}  // namespace
}  // namespace chimora::platform
