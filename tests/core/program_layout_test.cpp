// The program-folder rule: a folder holding db.dll beside the executable is used as it is;
// otherwise each user gets a data folder filled from the installed template, and what the
// user has there is never replaced.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "app/core/data_folder_filler.h"
#include "app/core/program_layout.h"

namespace chimora::testing {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void Write(const fs::path& path, const std::string& content) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

// A machine in a temporary folder: <root>/usr/bin/chimora with the package's template in
// <root>/usr/share/chimora, and a user's home in <root>/home.
class ProgramLayoutTest : public ::testing::Test {
  protected:
    ProgramLayoutTest() {
        fs::remove_all(root);
        Write(executable, "ELF");
        Write(templateFolder / "db.dll", "template schedule v1");
        Write(templateFolder / "music" / "bell.wav", "bell v1");
        Write(templateFolder / "music" / "tones" / "rising.wav", "rising v1");
        fs::create_directories(home);
    }
    ~ProgramLayoutTest() override {
        std::error_code ignored;
        fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(root, ignored);
    }

    ProgramLayout Choose(const fs::path& program) const {
        return ProgramLayout::Choose(program.string(), [this](const char* name) {
            const auto found = environment.find(name);
            return found == environment.end() ? std::string() : found->second;
        });
    }
    DataFolderFiller::Outcome FirstStart() {
        const ProgramLayout layout = Choose(executable);
        return DataFolderFiller::Fill(layout.TemplateFolder(), layout.ProgramFolder());
    }

    const fs::path root =
        fs::temp_directory_path() / ("chimora-layout-" + std::to_string(::getpid()));
    const fs::path executable = root / "usr" / "bin" / "chimora";
    const fs::path templateFolder = root / "usr" / "share" / "chimora";
    const fs::path home = root / "home";
    const fs::path data = home / ".local" / "share" / "chimora";
    std::map<std::string, std::string> environment{{"HOME", home.string()}};
};

TEST_F(ProgramLayoutTest, FolderWithTheDatabaseBesideTheExecutableIsPortable) {
    const fs::path stick = root / "stick";
    Write(stick / "db.dll", "schedule");
    const ProgramLayout layout = Choose(stick / "chimora");
    EXPECT_FALSE(layout.Installed());
    EXPECT_EQ(layout.ProgramFolder(), stick.string() + "/");
    EXPECT_EQ(layout.Describe(), "portable layout: program folder " + stick.string() + "/");
    EXPECT_FALSE(fs::exists(home / ".local"));
}

TEST_F(ProgramLayoutTest, InstalledProgramUsesTheUsersDataFolderAndTheTemplateBesideItsPrefix) {
    ProgramLayout layout = Choose(executable);
    EXPECT_TRUE(layout.Installed());
    EXPECT_EQ(layout.ProgramFolder(), data.string() + "/");
    EXPECT_EQ(layout.TemplateFolder(), templateFolder.string() + "/");
    EXPECT_EQ(layout.Describe(), "installed layout: program folder " + data.string() +
                                     "/ (template " + templateFolder.string() + "/)");

    environment["XDG_DATA_HOME"] = (root / "xdg").string();
    EXPECT_EQ(Choose(executable).ProgramFolder(), (root / "xdg" / "chimora").string() + "/");
    // A relative XDG_DATA_HOME is invalid and ignored.
    environment["XDG_DATA_HOME"] = "relative/data";
    EXPECT_EQ(Choose(executable).ProgramFolder(), data.string() + "/");
}

TEST_F(ProgramLayoutTest, FirstStartMakesTheDataFolderFromTheTemplateWithWritableCopies) {
    // The package's files are read-only to the user; the copies must not be.
    for (const fs::path& file : {templateFolder / "db.dll", templateFolder / "music" / "bell.wav"})
        fs::permissions(file,
                        fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

    const DataFolderFiller::Outcome outcome = FirstStart();
    EXPECT_TRUE(outcome.problems.empty()) << outcome.problems.front();
    EXPECT_TRUE(outcome.databaseReady);
    EXPECT_EQ(outcome.copied.size(), 3u);
    EXPECT_EQ(Slurp(data / "db.dll"), "template schedule v1");
    EXPECT_EQ(Slurp(data / "music" / "bell.wav"), "bell v1");
    EXPECT_EQ(Slurp(data / "music" / "tones" / "rising.wav"), "rising v1");
    EXPECT_NE(fs::status(data / "db.dll").permissions() & fs::perms::owner_write, fs::perms::none);
    // No temporary copies are left behind.
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::recursive_directory_iterator(data))
        ++entries;
    EXPECT_EQ(entries, 5);  // db.dll, music/, bell.wav, tones/, rising.wav
}

TEST_F(ProgramLayoutTest, LaterStartsAndUpgradesNeverReplaceTheUsersFiles) {
    ASSERT_TRUE(FirstStart().problems.empty());
    Write(data / "db.dll", "the school's own schedule");
    Write(data / "music" / "bell.wav", "the school's own bell");
    Write(data / "music" / "anthem.mp3", "added by the user");
    fs::remove(data / "music" / "tones" / "rising.wav");

    // Second start: nothing to do.
    DataFolderFiller::Outcome second = FirstStart();
    EXPECT_TRUE(second.copied.empty());
    EXPECT_TRUE(second.problems.empty());

    // An upgrade brings a changed template and a new sound.
    Write(templateFolder / "db.dll", "template schedule v2");
    Write(templateFolder / "music" / "bell.wav", "bell v2");
    Write(templateFolder / "music" / "new.wav", "new in v2");
    DataFolderFiller::Outcome upgraded = FirstStart();
    EXPECT_TRUE(upgraded.copied.empty());
    EXPECT_TRUE(upgraded.databaseReady);
    EXPECT_EQ(Slurp(data / "db.dll"), "the school's own schedule");
    EXPECT_EQ(Slurp(data / "music" / "bell.wav"), "the school's own bell");
    EXPECT_EQ(Slurp(data / "music" / "anthem.mp3"), "added by the user");
    // A sound the user removed stays removed while their schedule is there.
    EXPECT_FALSE(fs::exists(data / "music" / "tones" / "rising.wav"));
    EXPECT_FALSE(fs::exists(data / "music" / "new.wav"));
}

TEST_F(ProgramLayoutTest, RemovedDatabaseComesBackFreshWithoutTouchingTheUsersSounds) {
    ASSERT_TRUE(FirstStart().problems.empty());
    Write(data / "music" / "bell.wav", "the school's own bell");
    fs::remove(data / "db.dll");
    fs::remove(data / "music" / "tones" / "rising.wav");
    Write(templateFolder / "db.dll", "template schedule v2");

    const DataFolderFiller::Outcome outcome = FirstStart();
    EXPECT_TRUE(outcome.problems.empty());
    EXPECT_EQ(Slurp(data / "db.dll"), "template schedule v2");
    EXPECT_EQ(Slurp(data / "music" / "bell.wav"), "the school's own bell");
    EXPECT_EQ(Slurp(data / "music" / "tones" / "rising.wav"), "rising v1");
    EXPECT_EQ(outcome.copied.size(), 2u);
}

TEST_F(ProgramLayoutTest, MissingOrUnreadableTemplateIsAClearProblemAndNoEmptySchedule) {
    fs::remove(templateFolder / "db.dll");
    DataFolderFiller::Outcome missing = FirstStart();
    ASSERT_EQ(missing.problems.size(), 1u);
    EXPECT_EQ(missing.problems[0], "The program's template database " +
                                       (templateFolder / "db.dll").string() +
                                       " is missing, so the data folder " + data.string() +
                                       "/ has no schedule. Reinstall the chimora package.");
    EXPECT_FALSE(missing.databaseReady);
    EXPECT_FALSE(fs::exists(data / "db.dll"));

    // Something that opens but cannot be read (as root, permissions would not stop a read).
    fs::create_directories(templateFolder / "db.dll");
    DataFolderFiller::Outcome unreadable = FirstStart();
    ASSERT_EQ(unreadable.problems.size(), 1u);
    EXPECT_NE(unreadable.problems[0].find("db.dll cannot be read: Is a directory"),
              std::string::npos)
        << unreadable.problems[0];
    EXPECT_FALSE(fs::exists(data / "db.dll"));

    if (::geteuid() != 0) {
        fs::remove(templateFolder / "db.dll");
        Write(templateFolder / "db.dll", "template schedule v1");
        fs::permissions(templateFolder / "db.dll", fs::perms::none);
        DataFolderFiller::Outcome denied = FirstStart();
        ASSERT_EQ(denied.problems.size(), 1u);
        EXPECT_NE(denied.problems[0].find("cannot be read: Permission denied"), std::string::npos);
    }
}

TEST_F(ProgramLayoutTest, MissingTemplateSoundsAreToldButTheScheduleIsCopied) {
    fs::remove_all(templateFolder / "music");
    const DataFolderFiller::Outcome outcome = FirstStart();
    EXPECT_TRUE(outcome.databaseReady);
    ASSERT_EQ(outcome.problems.size(), 1u);
    EXPECT_EQ(outcome.problems[0], "The template music folder " +
                                       (templateFolder / "music").string() +
                                       " is missing: no bell sounds were copied.");
    EXPECT_TRUE(fs::is_directory(data / "music"));
}

TEST_F(ProgramLayoutTest, DataFolderThatCannotBeMadeIsAProblem) {
    Write(home / ".local" / "share", "a file where the folder should be");
    const DataFolderFiller::Outcome outcome = FirstStart();
    ASSERT_EQ(outcome.problems.size(), 1u);
    EXPECT_EQ(outcome.problems[0].rfind("Cannot make the data folder " + data.string(), 0), 0u)
        << outcome.problems[0];
    EXPECT_FALSE(outcome.databaseReady);
}

}  // namespace
}  // namespace chimora::testing
