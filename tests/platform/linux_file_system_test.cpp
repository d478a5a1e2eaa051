#include "platform/linux/linux_file_system.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace chimora::platform {
namespace {

class LinuxFileSystemTest : public ::testing::Test {
  protected:
    LinuxFileSystemTest() {
        root_ =
            std::filesystem::temp_directory_path() / ("chimora-fs-" + std::to_string(::getpid()));
        std::filesystem::remove_all(root_);
    }
    ~LinuxFileSystemTest() override { std::filesystem::remove_all(root_); }

    void AddFile(const std::string& relative) {
        const auto path = root_ / "music" / relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path) << "RIFF";
    }
    std::string Music() const { return (root_ / "music").string() + "/"; }

    std::filesystem::path root_;
    LinuxFileSystem files;
};

TEST_F(LinuxFileSystemTest, ListsEveryItemSortedWithFoldersMarked) {
    AddFile("b.wav");
    AddFile("a.wav");
    AddFile("sub/c.wav");
    AddFile(".hidden.wav");
    std::vector<std::string> seen;
    for (const auto& item : files.ListFolder(Music()))
        seen.push_back(item.name + (item.isFolder ? "/" : ""));
    EXPECT_EQ(seen, (std::vector<std::string>{".hidden.wav", "a.wav", "b.wav", "sub/"}));
    ASSERT_EQ(files.ListFolder(Music() + "sub\\").size(), 1u);
    EXPECT_TRUE(files.FileExists(Music() + "sub\\c.wav"));
    EXPECT_TRUE(files.FolderExists(Music()));
    EXPECT_FALSE(files.FolderExists(Music() + "a.wav"));
    EXPECT_TRUE(files.ListFolder(Music() + "none/").empty());
}

}  // namespace
}  // namespace chimora::platform
