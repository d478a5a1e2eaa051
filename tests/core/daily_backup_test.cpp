// The daily copy of db.dll: made once a day, checked, kept for two weeks; a failure warns
// and is tried again later, and a restore puts a copy back with the current file kept.
#include "app/core/daily_backup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/core/backup_restore.h"
#include "app/core/database_file_copy.h"
#include "chimdb/chim_session_list.h"
#include "tests/core/engine_fixture.h"
#include "tests/core/ring_table_reader.h"
#include "tests/support/program_folder.h"

namespace chimora::testing {
namespace {

namespace fs = std::filesystem;

platform::LocalDateTime At(int year, int month, int day, int hour = 0, int minute = 0,
                           int second = 1) {
    platform::LocalDateTime t;
    t.year = year;
    t.month = month;
    t.day = day;
    t.hour = hour;
    t.minute = minute;
    t.second = second;
    return t;
}

class DailyBackupTest : public ::testing::Test {
  protected:
    void SetUp() override { folder.InsertInstalledRows(); }
    void TearDown() override { chimdb::ChimSessionList::Instance().Shutdown(); }

    std::string Copy(const std::string& date) const {
        return folder.AppPath() + "backup/db-" + date + ".dll";
    }
    std::vector<std::string> PlanNames(const std::string& path) const {
        std::vector<std::string> names;
        for (const auto& plan : DatabaseFileCopy::ReadPlans(path))
            names.push_back(plan.name + (plan.active ? "*" : ""));
        return names;
    }
    void AddPlan(const std::string& name) { folder.Insert("FANGAN", PlanLine(name, false)); }

    ProgramFolder folder;
    SilenceWarnings warnings;
    std::vector<std::string> log;
    DailyBackup backup{folder.AppPath(), warnings,
                       [this](const std::string& line) { log.push_back(line); }};
};

TEST_F(DailyBackupTest, FirstTickOfADayWritesACheckedCopyInANewFolder) {
    // The program's own cursor holds the database open, as it does while ringing.
    chimdb::ChimTable ring;
    ScheduleLoader::OpenTable(ring, folder.AppPath(), "Ring1_7", "RINGTIME");
    backup.Tick(At(2026, 12, 8, 0, 0, 1));
    ASSERT_TRUE(fs::exists(Copy("2026-12-08")));
    EXPECT_FALSE(fs::exists(Copy("2026-12-08") + ".tmp"));
    EXPECT_EQ(PlanNames(Copy("2026-12-08")), (std::vector<std::string>{"默认方案*"}));
    EXPECT_NO_THROW(DatabaseFileCopy::Verify(Copy("2026-12-08")));
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0], "daily backup written: " + Copy("2026-12-08"));
    EXPECT_TRUE(warnings.Empty());
    ring.Close();
}

TEST_F(DailyBackupTest, OneCopyADayAndAStartLaterThatDayMakesNoOther) {
    backup.Tick(At(2026, 12, 8, 7, 0, 0));
    AddPlan("后来的方案");
    backup.Tick(At(2026, 12, 8, 7, 0, 1));
    backup.Tick(At(2026, 12, 8, 23, 59, 59));
    // A new start of the program on the same day finds the copy and leaves it.
    DailyBackup again(folder.AppPath(), warnings, nullptr);
    EXPECT_EQ(again.BackUp(At(2026, 12, 8, 9)).outcome, DailyBackup::Outcome::AlreadyThere);
    EXPECT_EQ(PlanNames(Copy("2026-12-08")), (std::vector<std::string>{"默认方案*"}));
    EXPECT_EQ(log.size(), 1u);

    backup.Tick(At(2026, 12, 9, 0, 0, 0));
    EXPECT_EQ(PlanNames(Copy("2026-12-09")), (std::vector<std::string>{"后来的方案", "默认方案*"}));
}

TEST_F(DailyBackupTest, OnlyTheNewestFourteenDailyCopiesAreKept) {
    fs::create_directories(folder.AppPath() + "backup");
    for (int day = 1; day <= 20; ++day) {
        backup.BackUp(At(2026, 11, day));
    }
    std::ofstream(folder.AppPath() + "backup/db-before-restore-2026-11-02-101010.dll") << "x";
    std::ofstream(folder.AppPath() + "backup/notes.txt") << "the user's own file";
    backup.BackUp(At(2026, 11, 21));
    const std::vector<std::string> copies = backup.DailyCopies();
    ASSERT_EQ(copies.size(), 14u);
    EXPECT_EQ(copies.front(), "db-2026-11-21.dll");
    EXPECT_EQ(copies.back(), "db-2026-11-08.dll");
    // Other files of the folder are none of the rotation's business.
    EXPECT_TRUE(fs::exists(folder.AppPath() + "backup/db-before-restore-2026-11-02-101010.dll"));
    EXPECT_TRUE(fs::exists(folder.AppPath() + "backup/notes.txt"));
}

TEST_F(DailyBackupTest, FailureWarnsAndLogsAndALaterSuccessEndsTheWarning) {
    // A file where the folder should be: the copy cannot be written.
    std::ofstream(folder.AppPath() + "backup") << "in the way";
    backup.Tick(At(2026, 12, 8, 0, 0, 1));
    EXPECT_TRUE(warnings.IsActive(SilenceCause::BackupFailed));
    EXPECT_EQ(warnings.Active().at(SilenceCause::BackupFailed).rfind(DailyBackup::kFailureText, 0),
              0u);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].rfind("daily backup failed: ", 0), 0u);

    // Not tried again every second.
    fs::remove(folder.AppPath() + "backup");
    backup.Tick(At(2026, 12, 8, 0, 0, 2));
    backup.Tick(At(2026, 12, 8, 0, 59, 0));
    EXPECT_FALSE(fs::exists(Copy("2026-12-08")));
    EXPECT_EQ(log.size(), 1u);

    backup.Tick(At(2026, 12, 8, 1, 0, 1));
    EXPECT_TRUE(fs::exists(Copy("2026-12-08")));
    EXPECT_FALSE(warnings.IsActive(SilenceCause::BackupFailed));
}

TEST_F(DailyBackupTest, AnUnreadableDatabaseIsNoBackupFailureAndIsTriedAgainSoon) {
    const std::string database = folder.DatabasePath();
    fs::rename(database, database + ".away");
    backup.Tick(At(2026, 12, 8, 0, 0, 1));
    EXPECT_TRUE(warnings.Empty());
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(fs::exists(Copy("2026-12-08") + ".tmp"));

    fs::rename(database + ".away", database);
    backup.Tick(At(2026, 12, 8, 0, 0, 30));
    EXPECT_FALSE(fs::exists(Copy("2026-12-08")));
    backup.Tick(At(2026, 12, 8, 0, 1, 1));
    EXPECT_TRUE(fs::exists(Copy("2026-12-08")));
}

TEST_F(DailyBackupTest, ACopyThatDoesNotReadBackIsRefused) {
    fs::create_directories(folder.AppPath() + "backup");
    const std::string junk = folder.AppPath() + "backup/junk.dll";
    std::ofstream(junk) << "ChimDB but nothing more";
    EXPECT_ANY_THROW(DatabaseFileCopy::Verify(junk));
    EXPECT_NO_THROW(DatabaseFileCopy::Verify(folder.DatabasePath()));
}

class BackupRestoreTest : public DailyBackupTest {
  protected:
    BackupRestore restore{folder.AppPath()};
};

TEST_F(BackupRestoreTest, CopiesAreListedNewestFirstWithTheirPlans) {
    backup.BackUp(At(2026, 12, 7));
    AddPlan("期末考试");
    backup.BackUp(At(2026, 12, 8));
    std::ofstream(folder.AppPath() + "backup/db-2026-12-09.dll.tmp") << "half a copy";
    const auto copies = restore.ListCopies();
    ASSERT_EQ(copies.size(), 2u);
    EXPECT_EQ(copies[0].date, "2026-12-08");
    EXPECT_EQ(copies[1].date, "2026-12-07");
    std::vector<std::string> plans;
    for (const auto& plan : BackupRestore::PlansOf(copies[0]))
        plans.push_back(plan.name);
    EXPECT_EQ(plans, (std::vector<std::string>{"期末考试", "默认方案"}));
}

TEST_F(BackupRestoreTest, RestorePutsTheCopyInPlaceAndKeepsTheCurrentFile) {
    backup.BackUp(At(2026, 12, 7));
    AddPlan("误加的方案");
    // The program has the file open while the user restores.
    chimdb::ChimTable ring;
    ScheduleLoader::OpenTable(ring, folder.AppPath(), "Ring1_7", "RINGTIME");

    const auto copies = restore.ListCopies();
    ASSERT_EQ(copies.size(), 1u);
    const std::string kept = restore.Restore(copies[0], At(2026, 12, 9, 7, 15, 2));
    EXPECT_EQ(kept, "db-before-restore-2026-12-09-071502.dll");
    EXPECT_FALSE(ring.Active());

    EXPECT_EQ(PlanNames(folder.DatabasePath()), (std::vector<std::string>{"默认方案*"}));
    EXPECT_EQ(PlanNames(folder.AppPath() + "backup/" + kept),
              (std::vector<std::string>{"误加的方案", "默认方案*"}));
    EXPECT_TRUE(fs::exists(copies[0].path));
    EXPECT_FALSE(fs::exists(folder.DatabasePath() + ".restore.tmp"));

    // The file it replaced is offered too, so that the restore can be undone.
    const auto after = restore.ListCopies();
    ASSERT_EQ(after.size(), 2u);
    EXPECT_TRUE(after[1].beforeRestore);
    EXPECT_EQ(after[1].date, "2026-12-09 07:15:02");
    restore.Restore(after[1], At(2026, 12, 9, 7, 16, 0));
    EXPECT_EQ(PlanNames(folder.DatabasePath()),
              (std::vector<std::string>{"误加的方案", "默认方案*"}));
}

TEST_F(BackupRestoreTest, ADamagedCopyIsRefusedAndTheDatabaseStaysAsItWas) {
    backup.BackUp(At(2026, 12, 7));
    const auto copies = restore.ListCopies();
    ASSERT_EQ(copies.size(), 1u);
    std::ofstream(copies[0].path, std::ios::trunc) << "ChimDB";
    EXPECT_ANY_THROW(restore.Restore(copies[0], At(2026, 12, 9)));
    EXPECT_EQ(PlanNames(folder.DatabasePath()), (std::vector<std::string>{"默认方案*"}));
    EXPECT_EQ(restore.ListCopies().size(), 1u);  // no before-restore file for nothing
}

}  // namespace
}  // namespace chimora::testing
