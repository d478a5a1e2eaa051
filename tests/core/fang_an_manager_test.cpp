#include "app/core/fang_an_manager.h"

#include <gtest/gtest.h>

#include "chimdb/chim_session_list.h"
#include "tests/core/engine_fixture.h"
#include "tests/core/ring_table_reader.h"
#include "tests/support/program_folder.h"

namespace chimora::testing {
namespace {

using Strings = std::vector<std::string>;

TEST(FangAnCheckTest, NewNameChecksInOrder) {
    const Strings names{"默认方案", "Summer"};
    EXPECT_EQ(FangAnManager::CheckNewName(" \t ", names)->message, FangAnManager::kNoName);
    EXPECT_EQ(FangAnManager::CheckNewName(" summer ", names)->message, FangAnManager::kNameExists);
    EXPECT_EQ(FangAnManager::CheckNewName("默认方案", names)->message, FangAnManager::kNameExists);
    EXPECT_EQ(FangAnManager::CheckNewName("冬季作息🎵", names)->message,
              FangAnManager::kNameNotStorable);
    // 10 Chinese characters fill the 20 bytes of RINGPROJECT; 11 do not fit.
    EXPECT_FALSE(FangAnManager::CheckNewName("一二三四五六七八九十", names));
    EXPECT_EQ(FangAnManager::CheckNewName("一二三四五六七八九十一", names)->message,
              FangAnManager::kNameTooLong);
    EXPECT_EQ(FangAnManager::CheckNewName(std::string(21, 'a'), names)->message,
              FangAnManager::kNameTooLong);
    EXPECT_FALSE(FangAnManager::CheckNewName(" O'Brien * ", names));
}

TEST(FangAnCheckTest, RenameChecksInOrder) {
    const Strings names{"A", "B"};
    EXPECT_EQ(FangAnManager::CheckRename(" ", "", "A", names)->message,
              FangAnManager::kNothingToRename);
    EXPECT_EQ(FangAnManager::CheckRename("C", "", "A", names)->message,
              FangAnManager::kRenameWithoutSelection);
    EXPECT_EQ(FangAnManager::CheckRename("C", "A", "A", names)->message,
              FangAnManager::kRenameActive);
    EXPECT_EQ(FangAnManager::CheckRename("b", "B", "A", names)->message,
              FangAnManager::kNameExists);
    EXPECT_FALSE(FangAnManager::CheckRename("C", "B", "A", names));
}

class FangAnManagerTest : public EngineTest {
  protected:
    void TearDown() override { chimdb::ChimSessionList::Instance().Shutdown(); }

    Strings EntriesOf(const std::string& plan) {
        Strings descs;
        for (const auto& row : ReadRows(folder.AppPath(), "Ring1_7", "ID")) {
            if (row.at("RINGPROJECT") == plan)
                descs.push_back(row.at("RINGDESC"));
        }
        return descs;
    }
    Strings ActivePlans() {
        Strings active;
        for (const auto& row : ReadRows(folder.AppPath(), "FANGAN", "NAME")) {
            if (row.at("ISACTIVE") == "1")
                active.push_back(row.at("NAME"));
        }
        return active;
    }

    ProgramFolder folder;
    ScheduleLoader loader{state, engine, folder.AppPath()};
    FangAnManager manager{folder.AppPath(), loader};
};

TEST_F(FangAnManagerTest, AddStoresTheNameAsTypedAndInactive) {
    manager.Add(" 夏季 ");
    manager.Add("O'Brien");
    const auto rows = ReadRows(folder.AppPath(), "FANGAN", "NAME");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(manager.LoadFangList().size(), 2u);
    for (const auto& row : rows)
        EXPECT_EQ(row.at("ISACTIVE"), "0");
    const Strings names = manager.LoadFangList();
    EXPECT_NE(std::find(names.begin(), names.end(), " 夏季 "), names.end());
}

TEST_F(FangAnManagerTest, DeletingAPlanLeavesPlansItsNameIsAPrefixOrPatternOf) {
    folder.Insert("FANGAN", PlanLine("A", false) + PlanLine("AB", false) + PlanLine("A*", false) +
                                PlanLine("O'B", false) + PlanLine("默认方案", true));
    std::string entries;
    for (int i = 0; i < 10; ++i)
        entries += EntryLine("A", "08:0" + std::to_string(i) + ":00", "a" + std::to_string(i));
    entries += EntryLine("AB", "09:00:00", "ab") + EntryLine("A*", "10:00:00", "star") +
               EntryLine("O'B", "11:00:00", "quote");
    folder.Insert("Ring1_7", entries);

    manager.Delete("A*");
    EXPECT_EQ(manager.LoadFangList(), (Strings{"A", "AB", "O'B", "默认方案"}));
    EXPECT_TRUE(EntriesOf("A*").empty());
    EXPECT_EQ(EntriesOf("A").size(), 10u);
    EXPECT_EQ(EntriesOf("AB"), Strings{"ab"});

    manager.Delete("A");
    EXPECT_EQ(manager.LoadFangList(), (Strings{"AB", "O'B", "默认方案"}));
    EXPECT_TRUE(EntriesOf("A").empty());
    EXPECT_EQ(EntriesOf("AB"), Strings{"ab"});

    manager.Delete("O'B");
    EXPECT_TRUE(EntriesOf("O'B").empty());
    EXPECT_EQ(EntriesOf("AB"), Strings{"ab"});
    EXPECT_FALSE(loader.ChimTable1().Active());
}

TEST_F(FangAnManagerTest, RenameMovesThePlansEntriesAndNoOthers) {
    folder.Insert("FANGAN", PlanLine("A", false) + PlanLine("AB", false));
    folder.Insert("Ring1_7", EntryLine("A", "08:00:00", "a1") + EntryLine("AB", "09:00:00", "ab") +
                                 EntryLine("A", "10:00:00", "a2"));
    ASSERT_TRUE(manager.Rename("A", "C'est"));
    EXPECT_EQ(manager.LoadFangList(), (Strings{"AB", "C'est"}));
    EXPECT_EQ(EntriesOf("C'est"), (Strings{"a1", "a2"}));
    EXPECT_EQ(EntriesOf("AB"), Strings{"ab"});
    EXPECT_TRUE(EntriesOf("A").empty());
    EXPECT_FALSE(manager.Rename("A", "D"));
    EXPECT_EQ(manager.LoadFangList(), (Strings{"AB", "C'est"}));
}

TEST_F(FangAnManagerTest, ApplyLeavesExactlyOneActivePlan) {
    folder.Insert("FANGAN", PlanLine("A", true) + PlanLine("AB", false) + PlanLine("B", true) +
                                PlanLine("默认方案", true));
    ASSERT_TRUE(manager.Apply("AB"));
    EXPECT_EQ(ActivePlans(), Strings{"AB"});
    EXPECT_FALSE(manager.Apply("Z"));
    EXPECT_EQ(ActivePlans(), Strings{"AB"});
}

TEST_F(FangAnManagerTest, ApplyWithNoActivePlanWritesNoZeroElsewhere) {
    folder.Insert("FANGAN", PlanLine("A", false) + PlanLine("B", false));
    ASSERT_TRUE(manager.Apply("B"));
    EXPECT_EQ(ActivePlans(), Strings{"B"});
    EXPECT_EQ(loader.GetActiveFangAn(), "B");
}

}  // namespace
}  // namespace chimora::testing
