#include <gtest/gtest.h>

#include "chimdb/manual_timer_service.h"
#include "database_test_util.h"

namespace chimdb::testing {
namespace {

using DatabaseTest = SessionTest;

// Sharing, holds and release.

TEST_F(DatabaseTest, TwoTablesOnOneNameShareOneDatabaseUntilBothClose) {
    TestImage image(true);
    FakeTable first(image.Name()), second(image.Name());
    first.SetPassword(kRightPassword);
    first.Open();
    second.Open();  // the name's hex digits in another case would find it too
    ASSERT_EQ(first.Database(), second.Database());
    ChimDatabase* shared = first.Database();
    EXPECT_TRUE(shared->Temporary());
    EXPECT_EQ(shared->RefCount(), 2);
    EXPECT_EQ(defaultSession.DatabaseCount(), 1u);

    first.Close();
    EXPECT_TRUE(shared->Connected());
    EXPECT_EQ(shared->RefCount(), 1);
    second.Close();
    // The last hold frees the temporary database, and with it the password.
    EXPECT_EQ(defaultSession.FindDatabase(image.Name()), nullptr);
    EXPECT_THROW(second.Open(), Abort);  // no prompt installed
    EXPECT_FALSE(second.IsOpen());
}

TEST_F(DatabaseTest, LastReleaseClosesAPlacedDatabaseAndForgetsThePassword) {
    TestImage image(true);
    ChimDatabase placed;
    placed.SetDatabaseName(image.Name());
    placed.SetMediumType(ChimDBMediumType::mtMemory);
    FakeTable table(image.Name());
    table.SetPassword(kRightPassword);
    EXPECT_TRUE(placed.Connected());
    EXPECT_TRUE(placed.CanAccess());
    table.Open();
    EXPECT_EQ(table.Database(), &placed);
    table.Close();
    EXPECT_FALSE(placed.Connected());
    EXPECT_FALSE(placed.PasswordSet());
    EXPECT_FALSE(placed.CanAccess());
    EXPECT_EQ(defaultSession.FindDatabase(image.Name()), &placed);  // closed, not freed
}

TEST_F(DatabaseTest, KeepConnectionHoldsFileAndPasswordPastTheLastTable) {
    TestImage image(true);
    defaultSession.SetKeepConnections(true);
    FakeTable table(image.Name());
    table.SetPassword(kRightPassword);
    table.Open();
    ChimDatabase* database = table.Database();
    EXPECT_TRUE(database->KeepConnection());
    table.Close();
    EXPECT_TRUE(database->Connected());
    EXPECT_NO_THROW(table.Open());  // no prompt: the password is still known
    table.Close();
    database->SetKeepConnection(false);  // nobody holds it: closes at once
    EXPECT_FALSE(database->Connected());
    defaultSession.Close();  // frees the idle temporary
    EXPECT_EQ(defaultSession.DatabaseCount(), 0u);
}

// Passwords and the prompt.

TEST_F(DatabaseTest, EmptyPasswordThenTheRightOneGrantsAccess) {
    TestImage image(true);
    FakeTable table(image.Name());
    table.SetPassword("");
    ChimDatabase* database = defaultSession.FindDatabase(image.Name());
    ASSERT_NE(database, nullptr);
    EXPECT_TRUE(database->Connected());
    EXPECT_FALSE(database->CanAccess());
    table.SetPassword(kRightPassword);
    EXPECT_TRUE(database->CanAccess());
    InstallPrompt(std::nullopt);
    EXPECT_NO_THROW(table.Open());
    EXPECT_TRUE(promptedPaths.empty());
    table.Close();
}

TEST_F(DatabaseTest, WrongPasswordIsDeniedWithoutAPrompt) {
    TestImage image(true);
    InstallPrompt(kRightPassword);
    FakeTable table(image.Name());
    table.SetPassword("wrong");
    EXPECT_EQ(Message([&] { table.Open(); }), "Access denied");
    EXPECT_FALSE(table.IsOpen());
    EXPECT_TRUE(promptedPaths.empty());
    EXPECT_EQ(defaultSession.DatabaseCount(), 0u);  // the failed open let it go
}

TEST_F(DatabaseTest, PromptIsShownOnlyWithoutAPassword) {
    TestImage image(true);
    FakeTable table(image.Name());

    InstallPrompt(std::nullopt);
    EXPECT_THROW(table.Open(), Abort);
    ASSERT_EQ(promptedPaths.size(), 1u);
    EXPECT_EQ(promptedPaths[0], image.Name());

    InstallPrompt("typo");
    EXPECT_EQ(Message([&] { table.Open(); }), "Access denied");

    InstallPrompt(kRightPassword);
    EXPECT_NO_THROW(table.Open());
    EXPECT_TRUE(table.Database()->CanAccess());
    EXPECT_EQ(promptedPaths.size(), 3u);
    table.Close();
}

TEST_F(DatabaseTest, NoPromptInstalledCountsAsCancelled) {
    TestImage image(true);
    FakeTable table(image.Name());
    EXPECT_THROW(table.Open(), Abort);
    EXPECT_EQ(defaultSession.DatabaseCount(), 0u);
}

TEST_F(DatabaseTest, UnencryptedFileNeedsNoPassword) {
    TestImage image(false);
    FakeTable table(image.Name());
    EXPECT_NO_THROW(table.Open());
    EXPECT_TRUE(table.Database()->CanAccess());
    table.Close();
}

TEST_F(DatabaseTest, SessionPasswordsAreTriedFirstAndAMissStillPrompts) {
    TestImage image(true);
    FakeTable table(image.Name());
    defaultSession.AddPassword("nothing");
    InstallPrompt(std::nullopt);
    EXPECT_THROW(table.Open(), Abort);  // the miss did not count as a password handed over
    EXPECT_EQ(promptedPaths.size(), 1u);

    defaultSession.AddPassword(kRightPassword);
    EXPECT_NO_THROW(table.Open());
    EXPECT_EQ(promptedPaths.size(), 1u);
    table.Close();
}

// Connection, events and property rules.

TEST_F(DatabaseTest, ConnectAndDisconnectFireTheirEventsInOrder) {
    TestImage image(false);
    std::vector<std::string> journal;
    ChimDatabase database;
    database.SetDatabaseName(image.Name());
    database.SetMediumType(ChimDBMediumType::mtMemory);
    database.BeforeConnect = [&](ChimDatabase& db) {
        journal.push_back(db.Connected() ? "before connect (open)" : "before connect");
    };
    database.AfterConnect = [&](ChimDatabase& db) {
        journal.push_back(db.Connected() ? "after connect" : "after connect (closed)");
    };
    database.BeforeDisconnect = [&](ChimDatabase&) { journal.push_back("before disconnect"); };
    database.AfterDisconnect = [&](ChimDatabase& db) {
        journal.push_back(db.Connected() ? "after disconnect (open)" : "after disconnect");
    };
    FakeTable first(image.Name(), {}, &journal), second(image.Name(), {}, &journal);
    first.Open();
    second.Open();
    database.Open();  // already connected: nothing
    database.Close();
    EXPECT_FALSE(first.IsOpen());
    EXPECT_FALSE(second.IsOpen());
    EXPECT_EQ(database.RefCount(), 0);
    EXPECT_EQ(database.DataSetCount(), 0u);
    std::vector<std::string> expected = {"before connect",
                                         "after connect",
                                         "before disconnect",
                                         "table disconnected",
                                         "table disconnected",
                                         "table closed " + image.Name(),
                                         "table closed " + image.Name(),
                                         "after disconnect"};
    EXPECT_EQ(journal, expected);
    EXPECT_TRUE(database.Temporary() == false && !database.Connected());
}

TEST_F(DatabaseTest, AFailedOpenLeavesTheDatabaseDisconnected) {
    ChimDatabase database;
    bool afterConnect = false;
    database.AfterConnect = [&](ChimDatabase&) { afterConnect = true; };
    EXPECT_EQ(Message([&] { database.Open(); }), "Database name missing");
    database.SetDatabaseName("/nonexistent/folder/db.dll");
    EXPECT_NE(Message([&] { database.Open(); }), "no error");
    EXPECT_FALSE(database.Connected());
    EXPECT_FALSE(afterConnect);
    EXPECT_EQ(Message([&] { database.FileIO(); }),
              "Cannot perform this operation on a closed database");
}

TEST_F(DatabaseTest, HeaderFlagsAndPropertiesFollowTheConnection) {
    TestImage image(true);
    ChimDatabase database;
    const std::string closedMessage = "Cannot perform this operation on a closed database";
    EXPECT_EQ(Message([&] { database.EncryptEnabled(); }), closedMessage);
    EXPECT_EQ(Message([&] { database.CompressEnabled(); }), closedMessage);
    EXPECT_EQ(Message([&] { database.VerifyWrites(); }), closedMessage);
    EXPECT_TRUE(database.TableNames().empty());
    EXPECT_EQ(database.FindTableIO("Ring1_7"), nullptr);

    database.SetDatabaseName(image.Name());
    database.SetMediumType(ChimDBMediumType::mtMemory);
    database.Open();
    EXPECT_TRUE(database.EncryptEnabled());
    EXPECT_FALSE(database.CompressEnabled());
    EXPECT_EQ(database.TableNames(), std::vector<std::string>{"Ring1_7"});
    EXPECT_NE(database.FindTableIO("RING1_7"), nullptr);
    EXPECT_EQ(database.FindTableIO("Ring1_8"), nullptr);
    EXPECT_FALSE(database.IsReadOnly());

    const std::string openMessage = "Cannot perform this operation on an open database";
    EXPECT_EQ(Message([&] { database.SetDatabaseName("x"); }), openMessage);
    EXPECT_EQ(Message([&] { database.SetFileName("x"); }), openMessage);
    EXPECT_EQ(Message([&] { database.SetMediumType(ChimDBMediumType::mtDisk); }), openMessage);
    EXPECT_EQ(Message([&] { database.SetExclusive(true); }), openMessage);
    EXPECT_EQ(Message([&] { database.SetSessionName("Default"); }), openMessage);
    EXPECT_EQ(database.DatabaseName(), image.Name());
    database.Close();
}

TEST_F(DatabaseTest, FileNameTakesPrecedenceOverDatabaseName) {
    TestImage image(false);
    ChimDatabase database;
    database.SetDatabaseName("RINGS");
    database.SetFileName(image.Name());
    database.SetMediumType(ChimDBMediumType::mtMemory);
    FakeTable table("rings");
    table.Open();
    EXPECT_EQ(table.Database(), &database);
    EXPECT_EQ(database.FilePath(), image.Name());
    table.Close();
}

// Duplicate names.

TEST_F(DatabaseTest, DuplicateNamesClashWithBusyOrPlacedDatabasesOnly) {
    TestImage image(false);
    ChimDatabase placed;
    placed.SetDatabaseName("Rings");
    ChimDatabase other;
    EXPECT_EQ(Message([&] { other.SetDatabaseName("RINGS"); }), "Duplicate database name 'RINGS'");
    EXPECT_TRUE(other.DatabaseName().empty());

    // An idle temporary database gives way; a held one does not.
    FakeTable table(image.Name());
    table.SetPassword("");  // makes an idle temporary database
    ASSERT_NE(defaultSession.FindDatabase(image.Name()), nullptr);
    other.SetDatabaseName(image.Name());
    EXPECT_EQ(defaultSession.FindDatabase(image.Name()), &other);

    ChimDatabase third;
    other.SetDatabaseName("another");
    table.Open();  // a temporary again, now held
    EXPECT_EQ(Message([&] { third.SetDatabaseName(image.Name()); }),
              "Duplicate database name '" + image.Name() + "'");
    table.Close();
}

// Flushing.

struct FlushTest : DatabaseTest {
    ManualTimerService timers;
    TestImage image{false};
    ChimDatabase database{nullptr, &timers};
    FakeTable table{image.Name()};
    void SetUp() override {
        DatabaseTest::SetUp();
        database.SetDatabaseName(image.Name());
        database.SetMediumType(ChimDBMediumType::mtMemory);
    }
};

TEST_F(FlushTest, TimerFlushesOnlyAfterAWrite) {
    EXPECT_TRUE(database.FlushTimerEnabled());
    EXPECT_EQ(database.FlushTimerInterval(), 1000);
    EXPECT_EQ(timers.TimerCount(), 0u);  // no timer while disconnected
    table.Open();
    EXPECT_EQ(timers.EnabledCount(), 1u);
    timers.Fire();
    EXPECT_EQ(image.file.syncs, 0);  // nothing written
    table.AppendRing("08:00:00");
    timers.Advance(999);
    EXPECT_EQ(image.file.syncs, 0);
    timers.Advance(1);
    EXPECT_EQ(image.file.syncs, 1);
    timers.Fire();
    EXPECT_EQ(image.file.syncs, 1);
    table.Close();
    EXPECT_EQ(timers.TimerCount(), 0u);
}

TEST_F(FlushTest, AutoFlushSetsThePeriodAndOffStopsTheTimer) {
    table.Open();
    database.SetAutoFlush(true);
    EXPECT_EQ(database.FlushTimerInterval(), ChimDatabase::kDefaultAutoFlushInterval);
    database.SetAutoFlushInterval(5000);
    table.AppendRing("08:00:00");
    timers.Advance(4999);
    EXPECT_EQ(image.file.syncs, 0);
    timers.Advance(1);
    EXPECT_EQ(image.file.syncs, 1);

    database.SetAutoFlush(false);
    EXPECT_EQ(timers.EnabledCount(), 0u);
    database.SetAutoFlushInterval(200);  // the stopped timer keeps its period
    EXPECT_EQ(database.FlushTimerInterval(), 5000);
    table.AppendRing("09:00:00");
    timers.Advance(100000);
    EXPECT_EQ(image.file.syncs, 1);
    table.Close();
}

TEST_F(FlushTest, DisconnectAndFlushAllSyncWrittenChanges) {
    table.Open();
    table.AppendRing("08:00:00");
    ChimSessionList::Instance().FlushAll();
    EXPECT_EQ(image.file.syncs, 1);
    ChimSessionList::Instance().FlushAll();
    EXPECT_EQ(image.file.syncs, 1);
    table.AppendRing("09:00:00");
    table.Close();  // the last table closes the database
    EXPECT_EQ(image.file.syncs, 2);
}

TEST_F(FlushTest, ProgressHandlersReachTheDataProcessing) {
    // The handlers are stored on the database and the file I/O reads them through it, so a
    // handler set after the connection is used as well.
    MemoryFile file(RingImage(RingSchema(std::nullopt, 0, true)), "compressed.db");
    ScopedMemoryStream registration(file);
    ChimDatabase db{nullptr, &timers};
    db.SetDatabaseName(registration.DatabaseName());
    db.SetMediumType(ChimDBMediumType::mtMemory);
    db.Open();
    int calls = 0;
    db.ProgressEvents.OnCompressProgress = [&](const void*, int) { ++calls; };
    std::vector<std::uint8_t> out;
    std::vector<std::uint8_t> content(100000, 7);
    db.FileIO().EncodeStream(content, out, true, false);
    EXPECT_GT(calls, 0);
    db.Close();
}

}  // namespace
}  // namespace chimdb::testing
