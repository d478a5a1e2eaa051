// The chimdb tool's dump with --filter: the built binary runs as a separate process on a file
// made by its create and insert commands, and filters through the table cursor.

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
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class FilterToolTest : public chimdb::testing::RingTableToolTest {
  protected:
    void SetUp() override {
        Json fields = Json::array({{{"name", "ID"}, {"type", "ftAutoInc"}},
                                   {{"name", "WEEK3"}, {"type", "ftString"}, {"size", 1}},
                                   {{"name", "RINGTIME"}, {"type", "ftTime"}},
                                   {{"name", "RINGPROJECT"}, {"type", "ftString"}, {"size", 20}}});
        Json indexes = {{{"name", "RINGTIME"}, {"fields", {"RINGTIME"}}}};
        std::string input;
        for (const auto& [week, time, plan] :
             std::vector<std::tuple<const char*, const char*, const char*>>{
                 {"1", "09:00:00", "Plan A"},
                 {"0", "08:00:00", "Plan A"},
                 {"1", "07:00:00", "plan a"},
                 {"1", "10:00:00", "Plan A*"},
                 {"1", "11:00:00", "Bob's"}})
            input += Json{{"WEEK3", week}, {"RINGTIME", time}, {"RINGPROJECT", plan}}.dump() + "\n";
        MakeRingTable("filter_tool", fields, indexes, input);
    }

    RunResult Dump(const std::vector<std::string>& extra) const {
        std::vector<std::string> args = {"dump",    db_,          "--table",
                                         "Ring1_7", "--password", "Quartzfen47"};
        args.insert(args.end(), extra.begin(), extra.end());
        return Run(args);
    }

    // IDs of the dumped records.
    std::vector<int> Ids(const std::vector<std::string>& extra) const {
        RunResult result = Dump(extra);
        EXPECT_EQ(result.status, 0) << result.err;
        std::vector<int> ids;
        std::istringstream in(result.out);
        for (std::string line; std::getline(in, line);)
            ids.push_back(Json::parse(line)["ID"].get<int>());
        return ids;
    }
};

TEST_F(FilterToolTest, DumpFiltersThroughTheCursorInItsOrder) {
    EXPECT_THAT(Ids({"--filter", "RINGPROJECT='Plan A'AND WEEK3='1'"}), ElementsAre(1));
    EXPECT_THAT(Ids({"--index", "RINGTIME", "--filter", "RINGPROJECT='Plan A*'"}),
                ElementsAre(2, 1, 4));
    EXPECT_THAT(
        Ids({"--filter", "RINGPROJECT='Plan A*'", "--filter-options", "no-partial-compare"}),
        ElementsAre(4));
    EXPECT_THAT(Ids({"--filter", "RINGPROJECT='plan a'", "--filter-options",
                     "no-partial-compare,case-insensitive"}),
                ElementsAre(1, 2, 3));
    EXPECT_THAT(Ids({"--filter", "RINGPROJECT='Bob''s'"}), ElementsAre(5));
    EXPECT_THAT(Ids({"--filter", "RINGTIME > '09:30:00'"}), ElementsAre(4, 5));
    EXPECT_THAT(Ids({"--filter", "RINGPROJECT='nobody'"}), IsEmpty());
    EXPECT_THAT(Ids({"--filter", ""}), ElementsAre(1, 2, 3, 4, 5));
}

TEST_F(FilterToolTest, RefusedFiltersAndOptions) {
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string err;
    };
    const std::vector<Case> cases = {
        {{"--filter", "RINGPROJECT='Plan A"}, 1, "Unterminated string constant\n"},
        {{"--filter", "NOPE = 1"}, 1, "Field 'NOPE' not found\n"},
        {{"--filter", "WEEK3 = 1"}, 1, "Type mismatch in expression\n"},
        {{"--filter", "RINGTIME - RINGTIME > 1 / 0"}, 1, "Floating point division by zero\n"},
        {{"--filter-options", "case-insensitive"}, 2, "--filter-options needs --filter"},
        {{"--filter", "WEEK3='1'", "--filter-options", "ignore-case"}, 2, "ignore-case"},
        {{"--filter"}, 2, "needs a value"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front() + " " + c.args.back());
        RunResult result = Dump(c.args);
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.out, "");
        if (c.status == 1)
            EXPECT_EQ(result.err, c.err);
        else
            EXPECT_THAT(result.err, HasSubstr(c.err));
    }
}

}  // namespace
