// A dump that fails part-way must not look like a shorter table: the tool reads the whole
// table before it writes a line, so a failure leaves standard output empty.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "chimdb/chim_session_list.h"
#include "fuzz/seed_files.h"
#include "tool_runner.h"

namespace chimdb::testing {
namespace {

namespace fs = std::filesystem;

class ToolDumpFailureTest : public ::testing::Test {
  protected:
    void SetUp() override {
        tool_ = ToolPath();
        ASSERT_TRUE(fs::exists(tool_)) << "build the chimdb tool: " << tool_;
        dir_ = fs::temp_directory_path() / ("chimdb_dump_failure_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        fs::remove_all(dir_);
        ChimSessionList::Instance().Shutdown();
    }

    std::string Save(const std::vector<std::uint8_t>& image) const {
        const fs::path path = dir_ / "db.dll";
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(image.data()),
                   static_cast<std::streamsize>(image.size()));
        return path.string();
    }

    RunResult Dump(const std::string& db, const std::vector<std::string>& extra = {}) const {
        std::vector<std::string> args = {"dump",  db,           "--table",
                                         "Every", "--password", chimdb_fuzz::kCorpusPassword};
        args.insert(args.end(), extra.begin(), extra.end());
        return RunTool(tool_, dir_, args);
    }

    fs::path tool_;
    fs::path dir_;
};

// The third record's data offset points past the end of the file: the first two read.
std::vector<std::uint8_t> LastRecordDamaged() {
    auto image = chimdb_fuzz::SeedImage(std::nullopt, 0, false);
    std::size_t header = chimdb_fuzz::TableHeaderAt(image);
    auto recordTable = static_cast<std::size_t>(chimdb_fuzz::GetI32(image, header + 33));
    chimdb_fuzz::PutI32(image, recordTable + 4 + 5 * 2, static_cast<std::int32_t>(image.size()));
    return image;
}

TEST_F(ToolDumpFailureTest, SoundTableIsWrittenWhole) {
    RunResult result = Dump(Save(chimdb_fuzz::SeedImage(std::nullopt, 0, false)));
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 3);
}

TEST_F(ToolDumpFailureTest, RecordThatFailsAfterOthersLeavesStandardOutputEmpty) {
    const std::string db = Save(LastRecordDamaged());
    for (const std::vector<std::string>& order :
         {std::vector<std::string>{}, {"--index", "ID"}, {"--filter", "I <> 0 OR I = 0"}}) {
        RunResult result = Dump(db, order);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, "Database file '" + db + "' is corrupt\n");
    }
}

TEST_F(ToolDumpFailureTest, FilterThatFailsOnALaterRecordLeavesStandardOutputEmpty) {
    // The third record has I = 2147483647: adding one overflows there only.
    RunResult result =
        Dump(Save(chimdb_fuzz::SeedImage(std::nullopt, 0, false)), {"--filter", "I + 1 <> 0"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err, "");
}

}  // namespace
}  // namespace chimdb::testing
