#pragma once

// A program folder in a temporary place, as the program finds it when installed: db.dll
// made by the store's tool from the checked-in schema (without rows unless asked for) and
// an empty music/ folder.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/chimdb/tool_runner.h"

#ifndef CHIMORA_SOURCE_DIR
#error "CHIMORA_SOURCE_DIR must name the source folder"
#endif

namespace chimora::testing {

class ProgramFolder {
  public:
    ProgramFolder() {
        static int counter = 0;
        root_ = std::filesystem::temp_directory_path() /
                ("chimora-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_ / "music");
        std::filesystem::create_directories(root_ / "tool");
        Run({"create", DatabasePath(), "--schema", SourcePath("data/schema.json")});
    }
    ~ProgramFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;

    static std::string SourcePath(const std::string& relative) {
        return std::string(CHIMORA_SOURCE_DIR) + "/" + relative;
    }

    // The program folder and the music folder, with their trailing separators.
    std::string AppPath() const { return root_.string() + "/"; }
    std::string MusicPath() const { return AppPath() + "music/"; }
    std::string DatabasePath() const { return AppPath() + "db.dll"; }
    // A program path inside the folder, as the executable's own path would be.
    std::string ExecutablePath() const { return AppPath() + "chimora"; }

    // Appends JSON-lines records to table through the tool (before the program opens it).
    void Insert(const std::string& table, const std::string& jsonLines) {
        Run({"insert", DatabasePath(), "--table", table, "--password", "Quartzfen47"}, jsonLines);
    }
    // The rows that the installed database starts with.
    void InsertInstalledRows() {
        for (const char* table : {"Config", "FANGAN", "Ring1_7"})
            Insert(table,
                   chimdb::testing::Slurp(SourcePath(std::string("data/") + table + ".jsonl")));
    }
    // A small file in the music folder; relative may hold "sub/name".
    void AddMusicFile(const std::string& relative, const std::string& content = "RIFF") {
        const std::filesystem::path path = root_ / "music" / relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << content;
    }

  private:
    void Run(const std::vector<std::string>& args, const std::string& input = "") {
        const auto result =
            chimdb::testing::RunTool(chimdb::testing::ToolPath(), root_ / "tool", args, input);
        ASSERT_EQ(result.status, 0) << result.err;
    }

    std::filesystem::path root_;
};

}  // namespace chimora::testing
