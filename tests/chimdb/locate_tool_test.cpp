// The chimdb tool's locate command: the built binary runs as a separate process on a file
// made by its create and insert commands, and locates through the table cursor.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "tests/chimdb/ring_table_tool_fixture.h"

namespace {

using chimdb::testing::RunResult;

namespace fs = std::filesystem;
using ::testing::HasSubstr;

class LocateToolTest : public chimdb::testing::RingTableToolTest {
  protected:
    void SetUp() override {
        Json fields = Json::array({{{"name", "ID"}, {"type", "ftAutoInc"}},
                                   {{"name", "RINGPROJECT"}, {"type", "ftString"}, {"size", 20}},
                                   {{"name", "RINGTIME"}, {"type", "ftTime"}},
                                   {{"name", "DAY"}, {"type", "ftDate"}},
                                   {{"name", "RINGDESC"}, {"type", "ftMemo"}}});
        Json indexes = {{{"name", "ID"}, {"fields", {"ID"}}, {"options", {"primary", "unique"}}},
                        {{"name", "PT"}, {"fields", {"RINGPROJECT", "RINGTIME"}}}};
        std::string input;
        for (const auto& [plan, time, day] :
             std::vector<std::tuple<const char*, const char*, const char*>>{
                 {"Plan A", "09:00:00", "2024-03-05"},
                 {"Plan A", "08:00:00", "2024-03-06"},
                 {"plan a", "08:00:00", "2024-03-07"},
                 {"早操", "07:30:00", "2024-03-05"}})
            input += Json{{"RINGPROJECT", plan},
                          {"RINGTIME", time},
                          {"DAY", day},
                          {"RINGDESC", std::string("desc ") + plan}}
                         .dump() +
                     "\n";
        MakeRingTable("locate_tool", fields, indexes, input);
    }

    RunResult Locate(const std::string& fields, const std::string& values,
                     const std::vector<std::string>& extra = {}) const {
        std::vector<std::string> args = {"locate",     db_,           "--table",  "Ring1_7",
                                         "--password", "Quartzfen47", "--fields", fields,
                                         "--values",   values};
        args.insert(args.end(), extra.begin(), extra.end());
        return Run(args);
    }

    // ID of the located record; 0 when the tool did not find one.
    int LocatedId(const std::string& fields, const std::string& values,
                  const std::vector<std::string>& extra = {}) const {
        RunResult result = Locate(fields, values, extra);
        if (result.status != 0)
            return 0;
        return Json::parse(result.out)["ID"].get<int>();
    }
};

TEST_F(LocateToolTest, PrintsTheFirstMatchingRecordAsDumpDoes) {
    RunResult result = Locate("RINGPROJECT;RINGTIME", R"(["Plan A", "08:00:00"])");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out,
              R"({"ID":2,"RINGPROJECT":"Plan A","RINGTIME":"08:00:00.000","DAY":"2024-03-06",)"
              R"("RINGDESC":"desc Plan A"})"
              "\n");
    EXPECT_EQ(result.err, "");

    EXPECT_EQ(LocatedId("RINGPROJECT", R"(["Plan A"])"), 1);
    EXPECT_EQ(LocatedId("RINGPROJECT", R"(["早操"])"), 4);
    EXPECT_EQ(LocatedId("DAY", R"(["2024-03-07"])"), 3);
    EXPECT_EQ(LocatedId("RINGTIME", R"(["08:00"])"), 2);
    EXPECT_EQ(LocatedId("ID", "[3]"), 3);
    EXPECT_EQ(LocatedId("RINGDESC", R"(["desc plan a"])"), 3);
    EXPECT_EQ(LocatedId("RINGPROJECT;RINGTIME", R"(["plan a", "08:00:00"])"), 3);
    EXPECT_EQ(
        LocatedId("RINGPROJECT;RINGTIME", R"(["PLAN A", "08:00:00"])", {"--case-insensitive"}), 2);
    EXPECT_EQ(LocatedId("RINGPROJECT", R"(["pla"])", {"--partial"}), 3);
    EXPECT_EQ(LocatedId("RINGPROJECT", R"(["PLA"])", {"--partial", "--case-insensitive"}), 1);
}

TEST_F(LocateToolTest, NotFoundAndRefusedRequests) {
    struct Case {
        std::string fields;
        std::string values;
        std::vector<std::string> extra;
        int status;
        std::string err;
    };
    const std::vector<Case> cases = {
        {"RINGPROJECT", R"(["Plan B"])", {}, 1, "Record not found\n"},
        {"RINGPROJECT", R"(["pla"])", {}, 1, "Record not found\n"},
        {"NOPE", R"(["x"])", {}, 1, "Field 'NOPE' not found\n"},
        {"RINGPROJECT;RINGTIME",
         R"(["Plan A"])",
         {},
         1,
         "Too few values to locate the fields 'RINGPROJECT;RINGTIME'\n"},
        {"DAY", R"(["5 March"])", {}, 1, "Invalid value \"5 March\" for field 'DAY'\n"},
        {"RINGPROJECT", R"("Plan A")", {}, 1, "--values must be a JSON array: \"Plan A\"\n"},
        {"RINGPROJECT", R"(["Plan A"])", {"--ignore-case"}, 2, "ignore-case"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fields + " " + c.values);
        RunResult result = Locate(c.fields, c.values, c.extra);
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.out, "");
        if (c.status == 1)
            EXPECT_EQ(result.err, c.err);
        else
            EXPECT_THAT(result.err, HasSubstr(c.err));
    }
    RunResult wrongPassword = Run({"locate", db_, "--table", "Ring1_7", "--fields", "ID",
                                   "--values", "[1]", "--password", "nope"});
    EXPECT_EQ(wrongPassword.status, 1);
    EXPECT_EQ(wrongPassword.err, "Access denied\n");
    RunResult missing = Run({"locate", db_, "--table", "Ring1_7", "--fields", "ID"});
    EXPECT_EQ(missing.status, 2);
}

}  // namespace
