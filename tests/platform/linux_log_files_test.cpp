#include "platform/linux/linux_log_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace chimora::platform {
namespace {

namespace fs = std::filesystem;

class LinuxLogFilesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root = fs::temp_directory_path() / ("chimora_log_files_" + std::to_string(::getpid()));
        fs::remove_all(root);
        fs::create_directories(root);
        log = (root / "chimora.log").string();
    }
    void TearDown() override { fs::remove_all(root); }

    static std::string Read(const std::string& path) {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path root;
    std::string log;
    LinuxLogFiles files;
};

TEST_F(LinuxLogFilesTest, AppendsToWhatIsThereAndCreatesAMissingFileAs0644) {
    EXPECT_FALSE(files.Size(log).has_value());
    ASSERT_TRUE(files.AppendDurably(log, "first\n"));
    const mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat status {};
    ASSERT_EQ(::stat(log.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0644 & ~mask);
    ASSERT_TRUE(files.AppendDurably(log, "second\n"));
    EXPECT_EQ(Read(log), "first\nsecond\n");
    EXPECT_EQ(files.Size(log), 13u);

    // Moved away between two lines: the next line starts a new file.
    fs::rename(log, log + ".moved");
    ASSERT_TRUE(files.AppendDurably(log, "third\n"));
    EXPECT_EQ(Read(log), "third\n");
}

TEST_F(LinuxLogFilesTest, RenameReplacesTheOlderCopy) {
    std::ofstream(log + ".1") << "oldest\n";
    ASSERT_TRUE(files.AppendDurably(log, "newer\n"));
    EXPECT_TRUE(files.Rename(log, log + ".1"));
    EXPECT_EQ(Read(log + ".1"), "newer\n");
    EXPECT_FALSE(fs::exists(log));
    EXPECT_FALSE(files.Rename(log, log + ".1"));
    EXPECT_EQ(Read(log + ".1"), "newer\n");
}

TEST_F(LinuxLogFilesTest, FailuresAreReportedNotThrown) {
    const std::string inMissingFolder = (root / "missing" / "chimora.log").string();
    EXPECT_FALSE(files.AppendDurably(inMissingFolder, "line\n"));
    EXPECT_FALSE(fs::exists(root / "missing"));
    ASSERT_TRUE(files.AppendDurably(log, "line\n"));
    EXPECT_FALSE(files.Rename(log, inMissingFolder));
    EXPECT_EQ(Read(log), "line\n");

    // A folder in the file's place: refused for root as well.
    fs::remove(log);
    fs::create_directories(log);
    EXPECT_FALSE(files.AppendDurably(log, "line\n"));
    EXPECT_FALSE(files.Size(log).has_value());
}

}  // namespace
}  // namespace chimora::platform
