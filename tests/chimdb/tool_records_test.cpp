// End-to-end tests of the chimdb tool's record commands (dump, insert, update, delete): the
// built binary runs as a separate process on files that its create command made.

#include <gtest/gtest.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "tests/chimdb/tool_runner.h"

namespace {

using chimdb::testing::RunResult;

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

std::vector<Json> Lines(const std::string& text) {
    std::vector<Json> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(Json::parse(line));
    return out;
}

Json Field(const char* name, const char* type, int size = 0, int processFlag = 0) {
    return {{"name", name}, {"type", type}, {"size", size}, {"processFlag", processFlag}};
}

// A table with a field of every kind the tool converts, and indexes of several shapes.
Json Schema(const Json& cipher, int mode, bool compress) {
    Json fields =
        Json::array({Field("ID", "ftAutoInc"), Field("S", "ftString", 10),
                     Field("FC", "ftFixedChar", 4), Field("SI", "ftSmallint"), Field("W", "ftWord"),
                     Field("B", "ftBoolean"), Field("I", "ftInteger"), Field("F", "ftFloat"),
                     Field("C", "ftCurrency"), Field("D", "ftDate"), Field("T", "ftTime"),
                     Field("DT", "ftDateTime"), Field("L", "ftLargeint"), Field("M", "ftMemo"),
                     Field("BL", "ftBlob"), Field("RAW", "ftGraphic", 0, 1)});
    Json indexes =
        Json::array({{{"name", "ID"}, {"fields", {"ID"}}, {"options", {"primary", "unique"}}},
                     {{"name", "S"}, {"fields", {"S"}}, {"options", {"caseInsensitive"}}},
                     {{"name", "T"}, {"fields", {"T"}}, {"options", Json::array()}},
                     {{"name", "SD"}, {"fields", {"S", "D"}}, {"options", {"descending"}}}});
    return {{"password", "Quartzfen47"},
            {"encrypt", cipher},
            {"mode", mode},
            {"compress", compress},
            {"verifyWrites", mode % 2 == 1},
            {"tables", {{{"name", "Every"}, {"fields", fields}, {"indexes", indexes}}}}};
}

// Three full records as dump must show them (ID as the store hands it out).
std::vector<Json> FullRecords() {
    return {
        {{"ID", 1},
         {"S", "早操铃声"},
         {"FC", "ab"},
         {"SI", -32768},
         {"W", 65535},
         {"B", true},
         {"I", -7},
         {"F", 1.5},
         {"C", 12.25},
         {"D", "2024-03-05"},
         {"T", "08:05:00.000"},
         {"DT", "2024-03-05T08:05:01.250"},
         {"L", -9000000000LL},
         {"M", "备注 memo text"},
         {"BL", "AAEC/w=="},
         {"RAW", "aGVsbG8="}},
        {{"ID", 2},
         {"S", "zebra"},
         {"FC", "cd"},
         {"SI", 7},
         {"W", 0},
         {"B", false},
         {"I", 2147483647},
         {"F", -0.125},
         {"C", 0},
         {"D", "0001-01-01"},
         {"T", "23:59:59.999"},
         {"DT", "9999-12-31T23:59:59.999"},
         {"L", 9223372036854775807LL},
         {"M", std::string(5000, 'x')},
         {"BL", ""},
         {"RAW", ""}},
        {{"ID", 3},
         {"S", "Apple"},
         {"FC", "efgh"},
         {"SI", 0},
         {"W", 1},
         {"B", true},
         {"I", 0},
         {"F", 1e20},
         {"C", -3.5},
         {"D", "1899-12-30"},
         {"T", "00:00:00.000"},
         {"DT", "1899-12-30T00:00:00.000"},
         {"L", 0},
         {"M", ""},
         {"BL", "////////////////////////////////////////////////////////////////////////////////"},
         {"RAW", "AA=="}},
    };
}

class ToolRecordsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        tool_ = chimdb::testing::ToolPath();
        ASSERT_TRUE(fs::exists(tool_)) << "build the chimdb tool: " << tool_;
        dir_ = fs::temp_directory_path() / ("chimdb_records_test_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    RunResult Run(const std::vector<std::string>& args, const std::string& input = "") const {
        return chimdb::testing::RunTool(tool_, dir_, args, input);
    }

    std::string Create(const Json& schema, const std::string& name = "db.dll") const {
        const std::string schemaPath = (dir_ / "schema.json").string();
        std::ofstream(schemaPath) << schema.dump();
        const std::string db = (dir_ / name).string();
        RunResult created = Run({"create", db, "--schema", schemaPath});
        EXPECT_EQ(created.status, 0) << created.err;
        return db;
    }

    // Runs a command that must succeed and returns its standard output.
    std::string Ok(const std::vector<std::string>& args, const std::string& input = "") const {
        RunResult result = Run(args, input);
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.err, "");
        return result.out;
    }

    std::vector<Json> Dump(const std::string& db,
                           const std::vector<std::string>& extra = {}) const {
        std::vector<std::string> args = {"dump",  db,           "--table",
                                         "Every", "--password", "Quartzfen47"};
        args.insert(args.end(), extra.begin(), extra.end());
        return Lines(Ok(args));
    }

    std::string Insert(const std::string& db, const std::vector<Json>& records) const {
        std::string input;
        for (const Json& record : records)
            input += record.dump() + "\n";
        return Ok({"insert", db, "--table", "Every", "--password", "Quartzfen47"}, input);
    }

    std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }

    fs::path tool_;
    fs::path dir_;
};

Json WithoutId(Json record) {
    record.erase("ID");
    return record;
}

TEST_F(ToolRecordsTest, InsertThenDumpInEveryCipherModeAndCompression) {
    const std::vector<Json> records = FullRecords();
    int n = 0;
    for (const Json& cipher : {Json("Blowfish"), Json("Twofish"), Json("Gost"), Json(nullptr)}) {
        for (int mode = 0; mode <= 4; ++mode) {
            for (bool compress : {false, true}) {
                SCOPED_TRACE(cipher.dump() + " mode " + std::to_string(mode) +
                             (compress ? " compressed" : ""));
                const std::string db =
                    Create(Schema(cipher, mode, compress), "db" + std::to_string(n++) + ".dll");
                std::vector<Json> input;
                for (const Json& record : records)
                    input.push_back(WithoutId(record));
                EXPECT_EQ(Insert(db, input), "1\n2\n3\n");
                EXPECT_EQ(Dump(db), records);
                // Index order: S ignoring case (Apple, zebra, 早操铃声 by the collation).
                std::vector<Json> byS = Dump(db, {"--index", "s"});
                ASSERT_EQ(byS.size(), 3u);
                EXPECT_EQ(byS[0]["S"], "Apple");
                EXPECT_EQ(byS[1]["S"], "zebra");
                // Descending two-field index: the reverse.
                std::vector<Json> bySD = Dump(db, {"--index", "SD"});
                ASSERT_EQ(bySD.size(), 3u);
                EXPECT_EQ(bySD[2]["S"], "Apple");
                std::vector<Json> byT = Dump(db, {"--index", "T"});
                ASSERT_EQ(byT.size(), 3u);
                EXPECT_EQ(byT[0]["ID"], 3);
                EXPECT_EQ(byT[2]["ID"], 2);
            }
        }
    }
}

TEST_F(ToolRecordsTest, LeftOutFieldsGetNewRecordDefaults) {
    const std::string db = Create(Schema(nullptr, 0, false));
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char today[16];
    std::strftime(today, sizeof today, "%Y-%m-%d", &local);

    EXPECT_EQ(Insert(db, {Json{{"S", "x"}}}), "1\n");
    std::vector<Json> dumped = Dump(db);
    ASSERT_EQ(dumped.size(), 1u);
    const Json& record = dumped[0];
    EXPECT_EQ(record["D"], today);  // a run across midnight may see yesterday; rare enough
    EXPECT_EQ(record["T"].get<std::string>().size(), 12u);
    EXPECT_EQ(record["DT"], "1899-12-30T00:00:00.000");
    EXPECT_EQ(record["SI"], 0);
    EXPECT_EQ(record["B"], false);
    EXPECT_EQ(record["F"], 0.0);
    EXPECT_EQ(record["FC"], "");
    EXPECT_EQ(record["M"], "");
    EXPECT_EQ(record["BL"], "");
}

TEST_F(ToolRecordsTest, AutoIncrementValuesArePrintedAndGivenOnesRaiseTheCounter) {
    const std::string db = Create(Schema("Blowfish", 1, true));
    EXPECT_EQ(Insert(db, {Json{{"S", "a"}}, Json{{"S", "b"}, {"ID", 10}}, Json{{"S", "c"}}}),
              "1\n10\n11\n");
    // Blank lines are skipped; the next run goes on from the counter in the file.
    EXPECT_EQ(
        Ok({"insert", db, "--table", "every", "--password", "Quartzfen47"}, "\n{\"S\": \"d\"}\n\n"),
        "12\n");
}

TEST_F(ToolRecordsTest, StringsAreCutToTheirWidthAtCharacterBoundaries) {
    const std::string db = Create(Schema("Twofish", 2, false));
    // S holds 10 GBK bytes: five Chinese characters; FC holds 4 bytes.
    Insert(db, {Json{{"S", "早操铃声早操铃声"}, {"FC", "a早操"}}});
    std::vector<Json> dumped = Dump(db);
    ASSERT_EQ(dumped.size(), 1u);
    EXPECT_EQ(dumped[0]["S"], "早操铃声早");
    EXPECT_EQ(dumped[0]["FC"], "a早");  // never half of 操
}

TEST_F(ToolRecordsTest, UpdateChangesOnlyTheGivenFieldsAndResortsTheIndexes) {
    const std::string db = Create(Schema("Gost", 3, true));
    std::vector<Json> records = FullRecords();
    std::vector<Json> input;
    for (const Json& record : records)
        input.push_back(WithoutId(record));
    Insert(db, input);

    Ok({"update", db, "--table", "Every", "--index", "ID", "--key", "2", "--set",
        R"({"S": "aardvark", "M": "new memo", "BL": "AQID", "T": "12:00"})", "--password",
        "Quartzfen47"});
    records[1]["S"] = "aardvark";
    records[1]["M"] = "new memo";
    records[1]["BL"] = "AQID";
    records[1]["T"] = "12:00:00.000";
    EXPECT_EQ(Dump(db), records);
    std::vector<Json> byS = Dump(db, {"--index", "S"});
    ASSERT_EQ(byS.size(), 3u);
    EXPECT_EQ(byS[0]["ID"], 2);

    // The key of a case-insensitive index matches in any case; times within a second.
    Ok({"update", db, "--table", "Every", "--index", "S", "--key", "APPLE", "--set", R"({"I": 99})",
        "--password", "Quartzfen47"});
    Ok({"update", db, "--table", "Every", "--index", "T", "--key", "08:05:00.400", "--set",
        R"({"W": 4})", "--password", "Quartzfen47"});
    // A key of several fields as a JSON array.
    Ok({"update", db, "--table", "Every", "--index", "SD", "--key", R"(["aardvark", "0001-01-01"])",
        "--set", R"({"SI": -1})", "--password", "Quartzfen47"});
    std::vector<Json> dumped = Dump(db);
    EXPECT_EQ(dumped[2]["I"], 99);
    EXPECT_EQ(dumped[0]["W"], 4);
    EXPECT_EQ(dumped[1]["SI"], -1);
}

TEST_F(ToolRecordsTest, DeleteRemovesTheRecordWhoseKeyMatchesInFull) {
    const std::string db = Create(Schema(nullptr, 0, true));
    Insert(db, {Json{{"S", "abc"}}, Json{{"S", "ab"}}, Json{{"S", "abcd"}}});
    Ok({"delete", db, "--table", "Every", "--index", "S", "--key", "ab", "--password",
        "Quartzfen47"});
    std::vector<Json> dumped = Dump(db);
    ASSERT_EQ(dumped.size(), 2u);
    EXPECT_EQ(dumped[0]["S"], "abc");
    EXPECT_EQ(dumped[1]["S"], "abcd");
    // "ab" again: a prefix of the others is no match.
    RunResult again = Run({"delete", db, "--table", "Every", "--index", "S", "--key", "ab",
                           "--password", "Quartzfen47"});
    EXPECT_EQ(again.status, 1);
    EXPECT_EQ(again.err, "Record not found\n");
    EXPECT_EQ(again.out, "");
    RunResult update = Run({"update", db, "--table", "Every", "--index", "ID", "--key", "2",
                            "--set", "{}", "--password", "Quartzfen47"});
    EXPECT_EQ(update.status, 1);
    EXPECT_EQ(update.err, "Record not found\n");
    Ok({"delete", db, "--table", "Every", "--index", "ID", "--key", "3", "--password",
        "Quartzfen47"});
    EXPECT_EQ(Dump(db).size(), 1u);
    EXPECT_EQ(Dump(db, {"--index", "SD"}).size(), 1u);
}

TEST_F(ToolRecordsTest, StoreErrorsExitWithOneAndTheExactMessage) {
    const std::string db = Create(Schema("Blowfish", 0, false));
    Insert(db, {Json{{"S", "a"}}});
    auto expectError = [&](const std::vector<std::string>& args, const std::string& message,
                           const std::string& input = "") {
        RunResult result = Run(args, input);
        EXPECT_EQ(result.status, 1) << message;
        EXPECT_EQ(result.err, message + "\n");
    };
    expectError({"dump", db, "--table", "Every", "--password", "wrong"}, "Access denied");
    expectError({"dump", db, "--table", "Every"}, "Access denied");
    expectError({"insert", db, "--table", "Every", "--password", "wrong"}, "Access denied", "{}\n");
    expectError({"delete", db, "--table", "Every", "--index", "ID", "--key", "1", "--password",
                 "quartzfen47"},
                "Access denied");
    expectError({"dump", db, "--table", "Nope", "--password", "Quartzfen47"},
                "Table 'Nope' not found");
    expectError({"dump", db, "--table", "Every", "--index", "X", "--password", "Quartzfen47"},
                "Index 'X' not found");
    expectError({"dump", PathOf("missing.dll"), "--table", "Every"},
                "Cannot open file " + PathOf("missing.dll"));
    expectError({"insert", db, "--table", "Every", "--password", "Quartzfen47"},
                "Invalid unique field value '1'", "{\"ID\": 1}\n");
    expectError({"insert", db, "--table", "Every", "--password", "Quartzfen47"},
                "Field 'NOPE' not found", "{\"NOPE\": 1}\n");
    expectError({"insert", db, "--table", "Every", "--password", "Quartzfen47"},
                "Invalid value 70000 for field 'SI'", "{\"SI\": 70000}\n");
    expectError({"insert", db, "--table", "Every", "--password", "Quartzfen47"},
                "Invalid value \"2023-02-29\" for field 'D'", "{\"D\": \"2023-02-29\"}\n");
    expectError({"insert", db, "--table", "Every", "--password", "Quartzfen47"},
                "Invalid value 1.5 for field 'I'", "{\"I\": 1.5}\n");
    expectError({"insert", db, "--table", "Every", "--password", "Quartzfen47"},
                "Invalid value \"not base64!\" for field 'BL'", "{\"BL\": \"not base64!\"}\n");
    expectError({"insert", db, "--table", "Every", "--password", "Quartzfen47"},
                "Text '\xF0\x9F\x94\x94' cannot be stored in the database code page",
                "{\"S\": \"\xF0\x9F\x94\x94\"}\n");
    // Nothing of the refused lines was stored.
    EXPECT_EQ(Dump(db).size(), 1u);
}

TEST_F(ToolRecordsTest, LinesBeforeAFailingOneStayAppended) {
    const std::string db = Create(Schema(nullptr, 0, false));
    RunResult result = Run({"insert", db, "--table", "Every"},
                           "{\"S\": \"a\"}\n{\"S\": \"b\"}\n{\"ID\": 1}\n{\"S\": \"c\"}\n");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "1\n2\n");
    EXPECT_EQ(result.err, "Invalid unique field value '1'\n");
    EXPECT_EQ(Dump(db).size(), 2u);
}

}  // namespace
