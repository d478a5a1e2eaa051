#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "chimdb/database_creator.h"
#include "database/component.h"
#include "database_test_util.h"
#include "file/store_lock.h"

namespace chimdb::testing {
namespace {

using SessionListTest = SessionTest;

TEST_F(SessionListTest, DefaultSessionAndLookUpByName) {
    ChimSessionList& list = ChimSessionList::Instance();
    EXPECT_EQ(defaultSession.SessionName(), "Default");
    EXPECT_TRUE(defaultSession.IsDefault());
    EXPECT_EQ(list.Sessions().front(), &defaultSession);
    EXPECT_EQ(list.FindSession(""), &defaultSession);
    EXPECT_EQ(list.FindSession("dEFAULT"), &defaultSession);
    EXPECT_EQ(list.FindSession("Nope"), nullptr);
    EXPECT_EQ(Message([&] { list.GetSession("Nope"); }), "Invalid session name Nope");

    ChimSession named;
    EXPECT_FALSE(named.IsDefault());
    named.SetSessionName("Bells");
    EXPECT_EQ(&list.GetSession("BELLS"), &named);
}

TEST_F(SessionListTest, LockSettingsStoreNegativeValuesAsZero) {
    ChimSession session;
    EXPECT_EQ(session.LockRetryCount(), 20);
    EXPECT_EQ(session.LockWaitTime(), 100);
    session.SetLockRetryCount(-5);
    session.SetLockWaitTime(-1);
    EXPECT_EQ(session.LockRetryCount(), 0);
    EXPECT_EQ(session.LockWaitTime(), 0);
}

TEST_F(SessionListTest, TheSessionsLockSettingsGovernTheFileLock) {
    auto dir =
        std::filesystem::temp_directory_path() / ("chimdb_session_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::string path = (dir / "db.dll").string();
    DatabaseCreator(RingSchema()).CreateFile(path);
    {
        ChimDBFileIO holder;
        holder.OpenFile(path, ChimDBMediumType::mtDisk, false);
        holder.LockFileRegion();
        defaultSession.SetLockRetryCount(2);
        defaultSession.SetLockWaitTime(1);
        ChimDatabase& database = defaultSession.AcquireDatabase(path, true);
        ChimTableIO* table = database.FindTableIO("Ring1_7");
        ASSERT_NE(table, nullptr);
        EXPECT_EQ(Message([&] { table->OpenTable(); }), "Wait for unlock time out");
        holder.UnlockFileRegion();
        EXPECT_NO_THROW(table->OpenTable());
        table->CloseTable();
        defaultSession.ReleaseDatabase(database);
    }
    std::filesystem::remove_all(dir);
}

TEST_F(SessionListTest, ActivationAndNamingRules) {
    ChimSession session;
    int startups = 0;
    session.OnStartup = [&](ChimSession&) { ++startups; };
    EXPECT_EQ(Message([&] { session.Open(); }), "Session name missing");
    EXPECT_EQ(startups, 1);
    EXPECT_FALSE(session.Active());

    session.SetSessionName("Bells");
    EXPECT_EQ(Message([&] { defaultSession.SetSessionName("bells"); }),
              "Duplicate session name 'bells'");
    session.Open();
    EXPECT_TRUE(session.Active());
    EXPECT_TRUE(defaultSession.Active());  // a named session activates the default one
    EXPECT_EQ(startups, 2);
    EXPECT_EQ(Message([&] { session.SetSessionName("Other"); }),
              "Cannot perform this operation on an active session");
    session.Close();
    session.Open();
    EXPECT_EQ(startups, 3);
    session.Close();
}

TEST_F(SessionListTest, DeactivationFreesTemporariesAndClosesPlacedDatabases) {
    TestImage first(false), second(false);
    ChimSession session;
    session.SetSessionName("Work");
    ChimDatabase placed;
    placed.SetSessionName("Work");
    EXPECT_EQ(&placed.Session(), &session);
    placed.SetDatabaseName(first.Name());
    placed.SetMediumType(ChimDBMediumType::mtMemory);

    FakeTable onPlaced(first.Name(), "Work"), onTemporary(second.Name(), "work");
    onPlaced.Open();
    onTemporary.Open();
    EXPECT_TRUE(session.Active());  // the first acquisition activated it
    ChimDatabase* temporary = onTemporary.Database();
    EXPECT_EQ(&temporary->Session(), &session);
    EXPECT_EQ(temporary->SessionName(), "Work");
    EXPECT_EQ(session.DatabaseCount(), 2u);

    session.Close();
    EXPECT_FALSE(onPlaced.IsOpen());
    EXPECT_FALSE(onTemporary.IsOpen());
    EXPECT_FALSE(placed.Connected());
    EXPECT_EQ(session.DatabaseCount(), 1u);  // only the placed one is left
    EXPECT_EQ(defaultSession.FindDatabase(first.Name()), nullptr);
}

TEST_F(SessionListTest, DatabaseOfAnUnknownSessionCannotConnect) {
    TestImage image(false);
    ChimDatabase database;
    database.SetSessionName("Elsewhere");  // unknown: stays where it is for now
    EXPECT_EQ(&database.Session(), &defaultSession);
    database.SetDatabaseName(image.Name());
    database.SetMediumType(ChimDBMediumType::mtMemory);
    EXPECT_EQ(Message([&] { database.Open(); }), "Invalid session name Elsewhere");
    EXPECT_FALSE(database.Connected());

    ChimSession elsewhere;
    elsewhere.SetSessionName("Elsewhere");
    database.Open();
    EXPECT_EQ(&database.Session(), &elsewhere);
    EXPECT_TRUE(elsewhere.Active());
    database.Close();
}

TEST_F(SessionListTest, DestroyedSessionHandsItsDatabasesToTheDefaultOne) {
    TestImage image(false);
    ChimDatabase database;
    {
        ChimSession session;
        session.SetSessionName("Short");
        database.SetSessionName("Short");
        database.SetDatabaseName(image.Name());
        database.SetMediumType(ChimDBMediumType::mtMemory);
        database.Open();
    }
    EXPECT_FALSE(database.Connected());
    EXPECT_TRUE(database.SessionName().empty());
    EXPECT_EQ(&database.Session(), &defaultSession);
    EXPECT_EQ(defaultSession.FindDatabase(image.Name()), &database);
}

TEST_F(SessionListTest, StoreLockNestsPerSessionAndActivatesOnce) {
    ChimSession session;
    session.SetSessionName("Locked");
    session.LockSession();
    session.LockSession();
    EXPECT_EQ(session.LockDepth(), 2);
    EXPECT_TRUE(session.Active());
    session.UnlockSession();
    session.UnlockSession();
    EXPECT_EQ(session.LockDepth(), 0);
    session.Close();

    ChimSession unnamed;
    EXPECT_EQ(Message([&] { unnamed.LockSession(); }), "Session name missing");
    EXPECT_EQ(unnamed.LockDepth(), 0);
    EXPECT_TRUE(StoreLock::Mutex().try_lock());  // the failed activation let the lock go
    StoreLock::Mutex().unlock();
}

// Automatic session names.

TEST_F(SessionListTest, AutoSessionNamesTakeTheLowestFreeNumber) {
    Component form1("Form1"), form2("Form2"), form3("Form3");
    ChimSession first(&form1), second(&form2);
    first.SetAutoSessionName(true);
    second.SetAutoSessionName(true);
    EXPECT_EQ(first.SessionName(), "Form1_1");
    EXPECT_EQ(second.SessionName(), "Form2_2");
    first.SetAutoSessionName(false);
    EXPECT_EQ(first.SessionName(), "Form1_1");  // the name stays, the number is free again
    ChimSession third(&form3);
    third.SetAutoSessionName(true);
    EXPECT_EQ(third.SessionName(), "Form3_1");
    form3.SetName("Main");
    EXPECT_EQ(third.SessionName(), "Main_1");
    EXPECT_EQ(Message([&] { third.SetSessionName("Mine"); }),
              "Cannot modify SessionName while AutoSessionName is enabled");
}

TEST_F(SessionListTest, AutoSessionNameRulesForOwners) {
    Component form("Form1");
    ChimSession first(&form);
    {
        ChimSession second(&form);
        EXPECT_EQ(Message([&] { first.SetAutoSessionName(true); }),
                  "Cannot enable AutoSessionName property with more than one session on a form "
                  "or data-module");
    }
    ChimDatabase before(&form);
    FakeTable table("whatever");
    form.AddDataSet(&table);
    first.SetAutoSessionName(true);
    EXPECT_EQ(before.SessionName(), first.SessionName());
    EXPECT_EQ(&before.Session(), &first);
    EXPECT_EQ(table.LinkSessionName(), first.SessionName());

    ChimDatabase after(&form);  // takes the session at once
    EXPECT_EQ(after.SessionName(), first.SessionName());
    std::string message;
    try {
        ChimSession extra(&form);
    } catch (const DatabaseError& e) {
        message = e.what();
    }
    EXPECT_EQ(message, "Cannot add a session to the form or data-module while session '" +
                           first.SessionName() + "' has AutoSessionName enabled");
    first.Open();
    EXPECT_EQ(Message([&] { first.SetAutoSessionName(false); }),
              "Cannot perform this operation on an active session");
    first.Close();
    form.RemoveDataSet(&table);
}

}  // namespace
}  // namespace chimdb::testing
