// End-to-end tests of the chimdb command-line tool: the built binary is run as a
// separate process. It lies beside the test executable in the build's bin folder.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "tests/chimdb/tool_runner.h"

namespace {

using chimdb::testing::RunResult;

namespace fs = std::filesystem;
using nlohmann::json;

class ToolTest : public ::testing::Test {
  protected:
    void SetUp() override {
        tool_ = chimdb::testing::ToolPath();
        ASSERT_TRUE(fs::exists(tool_)) << "build the chimdb tool: " << tool_;
        dir_ = fs::temp_directory_path() / ("chimdb_tool_test_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    RunResult Run(const std::vector<std::string>& args) const {
        return chimdb::testing::RunTool(tool_, dir_, args);
    }

    std::string WriteSchema(const json& schema, const char* name = "schema.json") const {
        std::string path = (dir_ / name).string();
        std::ofstream(path) << schema.dump();
        return path;
    }
    std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }

    fs::path tool_;
    fs::path dir_;
};

json SampleSchema(const json& cipher, int mode, bool compress) {
    return json{
        {"password", "bell"},
        {"encrypt", cipher},
        {"mode", mode},
        {"compress", compress},
        {"verifyWrites", mode % 2 == 0},
        {"tables",
         {{{"name", "Ring1_7"},
           {"fields",
            {{{"name", "ID"}, {"type", "ftAutoInc"}, {"size", 0}, {"processFlag", 0}},
             {{"name", "RINGDESC"}, {"type", "ftString"}, {"size", 32}, {"processFlag", 0}},
             {{"name", "描述"}, {"type", "ftMemo"}, {"size", 0}, {"processFlag", 1}}}},
           {"indexes",
            {{{"name", "ID"}, {"fields", {"ID"}}, {"options", {"primary", "unique"}}},
             {{"name", "DESC"},
              {"fields", {"RINGDESC", "ID"}},
              {"options", {"descending", "caseInsensitive"}}}}}},
          {{"name", "FANGAN"},
           {"fields",
            {{{"name", "NAME"}, {"type", "ftFixedChar"}, {"size", 20}, {"processFlag", 0}}}},
           {"indexes", json::array()}}}},
    };
}

// What info must report for a database created from SampleSchema.
json ExpectedInfo(const json& schema) {
    json expected{{"version", "2.0"},
                  {"compression", schema["compress"].get<bool>() ? json("ZLIB") : json(nullptr)},
                  {"cipher", schema["encrypt"]},
                  {"mode", schema["mode"]},
                  {"verifyWrites", schema["verifyWrites"]},
                  {"tables", json::array()}};
    for (const json& table : schema["tables"]) {
        expected["tables"].push_back({{"name", table["name"]},
                                      {"RecordCount", 0},
                                      {"AutoIncCounter", 0},
                                      {"fields", table["fields"]},
                                      {"indexes", table["indexes"]}});
    }
    return expected;
}

TEST_F(ToolTest, CreateThenInfoForEveryCipherModeAndCompression) {
    int n = 0;
    for (const json& cipher : {json("Blowfish"), json("Twofish"), json("Gost"), json(nullptr)}) {
        for (int mode = 0; mode <= 4; ++mode) {
            for (bool compress : {false, true}) {
                json schema = SampleSchema(cipher, mode, compress);
                std::string db = PathOf("db" + std::to_string(n++) + ".dll");
                RunResult created = Run({"create", db, "--schema", WriteSchema(schema)});
                ASSERT_EQ(created.status, 0) << created.err;
                EXPECT_EQ(created.out, "");
                RunResult info = Run({"info", db});
                ASSERT_EQ(info.status, 0) << info.err;
                EXPECT_EQ(json::parse(info.out), ExpectedInfo(schema))
                    << cipher << " mode " << mode << " compress " << compress;
            }
        }
    }
}

TEST_F(ToolTest, StoreErrorsExitWithOneAndTheExactMessage) {
    std::string db = PathOf("db.dll");
    std::string schema = WriteSchema(SampleSchema("Gost", 3, true));
    ASSERT_EQ(Run({"create", db, "--schema", schema}).status, 0);
    RunResult again = Run({"create", db, "--schema", schema});
    EXPECT_EQ(again.status, 1);
    EXPECT_EQ(again.err, "Database file '" + db + "' already exists\n");

    RunResult missing = Run({"info", PathOf("none.dll")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "Cannot open file " + PathOf("none.dll") + "\n");
    EXPECT_EQ(missing.out, "");

    std::string garbage = PathOf("garbage.dll");
    std::ofstream(garbage) << std::string(5000, 'x');
    RunResult invalid = Run({"info", garbage});
    EXPECT_EQ(invalid.status, 1);
    EXPECT_EQ(invalid.err, "Database file '" + garbage + "' is a invalid ChimDB\n");

    // Truncated after the table directory: the table headers are missing.
    fs::resize_file(db, 3821 + 100);
    RunResult corrupt = Run({"info", db});
    EXPECT_EQ(corrupt.status, 1);
    EXPECT_EQ(corrupt.err, "Database file '" + db + "' is corrupt\n");
}

TEST_F(ToolTest, SchemaProblemsCreateNoFile) {
    std::string db = PathOf("bad.dll");
    json schema = SampleSchema("Blowfish", 0, false);
    schema["tables"][0]["fields"][1]["type"] = "ftVarChar";
    RunResult unknownType = Run({"create", db, "--schema", WriteSchema(schema)});
    EXPECT_EQ(unknownType.status, 1);
    EXPECT_NE(unknownType.err.find("unknown field type 'ftVarChar'"), std::string::npos);

    schema = SampleSchema("Blowfish", 0, false);
    schema["verifywrites"] = true;  // misspelt
    EXPECT_EQ(Run({"create", db, "--schema", WriteSchema(schema)}).status, 1);

    schema = SampleSchema("Serpent", 0, false);
    RunResult cipher = Run({"create", db, "--schema", WriteSchema(schema)});
    EXPECT_EQ(cipher.status, 1);
    EXPECT_EQ(cipher.err, "Encryption algorithm module 'Serpent' not found\n");
    EXPECT_FALSE(fs::exists(db));
}

TEST_F(ToolTest, AddTableAddsOnceAndRefusesWhatItCannotAdd) {
    json schema = SampleSchema("Blowfish", 1, true);
    const std::string db = PathOf("db.dll");
    ASSERT_EQ(Run({"create", db, "--schema", WriteSchema(schema)}).status, 0);
    const json calendar = {
        {"name", "Calendar"},
        {"fields",
         {{{"name", "ID"}, {"type", "ftAutoInc"}, {"size", 0}, {"processFlag", 0}},
          {{"name", "DAYFROM"}, {"type", "ftDate"}, {"size", 0}, {"processFlag", 0}},
          {{"name", "NOTE"}, {"type", "ftString"}, {"size", 32}, {"processFlag", 0}}}},
        {"indexes", {{{"name", "DAYFROM"}, {"fields", {"DAYFROM"}}, {"options", json::array()}}}}};
    const std::string table = WriteSchema(calendar, "calendar.json");
    RunResult added = Run({"add-table", db, "--schema", table});
    ASSERT_EQ(added.status, 0) << added.err;
    EXPECT_EQ(added.out, "");
    schema["tables"].push_back(calendar);
    RunResult info = Run({"info", db});
    EXPECT_EQ(json::parse(info.out), ExpectedInfo(schema));

    RunResult inserted = chimdb::testing::RunTool(
        tool_, dir_, {"insert", db, "--table", "calendar", "--password", "bell"},
        "{\"DAYFROM\": \"2026-10-01\", \"NOTE\": \"国庆节\"}\n");
    EXPECT_EQ(inserted.status, 0) << inserted.err;
    EXPECT_EQ(inserted.out, "1\n");

    RunResult again = Run({"add-table", db, "--schema", table});
    EXPECT_EQ(again.status, 1);
    EXPECT_EQ(again.err, "Table 'Calendar' already exists\n");

    json misspelt = calendar;
    misspelt["index"] = json::array();
    misspelt["name"] = "Other";
    RunResult bad = Run({"add-table", db, "--schema", WriteSchema(misspelt, "bad.json")});
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("unknown key 'index'"), std::string::npos) << bad.err;
    RunResult missing = Run({"add-table", PathOf("none.dll"), "--schema", table});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "Cannot open file " + PathOf("none.dll") + "\n");
    EXPECT_EQ(json::parse(Run({"info", db}).out)["tables"].size(), 3u);
}

TEST_F(ToolTest, UsageErrorsExitWithTwo) {
    for (const auto& args : std::vector<std::vector<std::string>>{{},
                                                                  {"frobnicate"},
                                                                  {"info"},
                                                                  {"info", "a", "b"},
                                                                  {"create", "x.dll"},
                                                                  {"create", "x.dll", "--schema"},
                                                                  {"add-table", "x.dll"},
                                                                  {"info", "a", "--verbose"}}) {
        RunResult result = Run(args);
        EXPECT_EQ(result.status, 2) << ::testing::PrintToString(args);
        EXPECT_NE(result.err.find("usage:"), std::string::npos);
    }
}

}  // namespace
