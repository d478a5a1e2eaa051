#pragma once

// A test that runs the built chimdb tool on an enciphered file with one table "Ring1_7",
// made by the tool's own create and insert commands in a folder of the test's.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/chimdb/tool_runner.h"

namespace chimdb::testing {

class RingTableToolTest : public ::testing::Test {
  protected:
    using Json = nlohmann::ordered_json;
    static constexpr const char* kPassword = "Quartzfen47";

    // Creates the file with the given fields and indexes and inserts the JSON-lines records.
    void MakeRingTable(const std::string& folderTag, const Json& fields, const Json& indexes,
                       const std::string& records) {
        tool_ = ToolPath();
        ASSERT_TRUE(std::filesystem::exists(tool_)) << "build the chimdb tool: " << tool_;
        dir_ = std::filesystem::temp_directory_path() /
               ("chimdb_" + folderTag + "_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        db_ = (dir_ / "db.dll").string();
        const Json schema = {
            {"password", kPassword},
            {"encrypt", "Blowfish"},
            {"tables", {{{"name", "Ring1_7"}, {"fields", fields}, {"indexes", indexes}}}}};
        std::ofstream(dir_ / "schema.json") << schema.dump();
        ASSERT_EQ(Run({"create", db_, "--schema", (dir_ / "schema.json").string()}).status, 0);
        ASSERT_EQ(
            Run({"insert", db_, "--table", "Ring1_7", "--password", kPassword}, records).status, 0);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    RunResult Run(const std::vector<std::string>& args, const std::string& input = "") const {
        return RunTool(tool_, dir_, args, input);
    }

    std::filesystem::path tool_;
    std::filesystem::path dir_;
    std::string db_;
};

}  // namespace chimdb::testing
