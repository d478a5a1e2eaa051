#pragma once

// Databases on registered in-memory images, a stand-in for a table that goes through the open
// and close steps of a table cursor, and a clean default session for every test.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "chimdb/chim_database.h"
#include "chimdb/chim_session.h"
#include "chimdb/chim_session_list.h"
#include "chimdb/data_set_link.h"
#include "chimdb/database_error.h"
#include "chimdb/memory_file.h"
#include "chimdb/memory_stream_registry.h"
#include "table_io/table_record_buffer.h"
#include "table_io_test_util.h"

namespace chimdb::testing {

inline const std::string kRightPassword = "Quartzfen47";

// A memory image that counts how often it was synced to the device.
class CountingFile : public MemoryFile {
  public:
    using MemoryFile::MemoryFile;
    void Sync() override { ++syncs; }
    int syncs = 0;
};

// An image registered for the test, enciphered or not.
struct TestImage {
    explicit TestImage(bool encrypted)
        : file(RingImage(encrypted ? RingSchema(std::string("Blowfish"), 1) : RingSchema()),
               "test.db"),
          registration(file) {}
    std::string Name() const { return registration.DatabaseName(); }
    CountingFile file;
    ScopedMemoryStream registration;
};

// Goes through the steps a table cursor takes to open and close on a database by name, and
// records what the database tells it.
class FakeTable : public DataSetLink {
  public:
    FakeTable(std::string databaseName, std::string sessionName = {},
              std::vector<std::string>* journal = nullptr)
        : databaseName_(std::move(databaseName)),
          sessionName_(std::move(sessionName)),
          journal_(journal) {}
    ~FakeTable() override {
        if (database_ != nullptr)
            Close();
    }

    void SetPassword(const std::string& password) {
        ChimSessionList::Instance()
            .GetSession(sessionName_)
            .AcquireDatabase(databaseName_, false, ChimDBMediumType::mtMemory)
            .SetPassword(password);
    }
    void Open() {
        ChimSession& session = ChimSessionList::Instance().GetSession(sessionName_);
        ChimDatabase& database =
            session.AcquireDatabase(databaseName_, true, ChimDBMediumType::mtMemory);
        database.RegisterTable(this);
        try {
            database.CheckCanAccess();
        } catch (...) {
            database.UnregisterTable(this);
            session.ReleaseDatabase(database);
            throw;
        }
        session_ = &session;
        database_ = &database;
        tableIO_ = database.FindTableIO("ring1_7");
        tableIO_->OpenTable();
    }
    void Close() {
        tableIO_->CloseTable();
        tableIO_ = nullptr;
        ChimDatabase* database = database_;
        database_ = nullptr;
        database->UnregisterTable(this);
        session_->ReleaseDatabase(*database);
    }
    bool IsOpen() const { return database_ != nullptr; }
    ChimDatabase* Database() const { return database_; }
    // Appends one ring entry.
    void AppendRing(const std::string& time) {
        TableRecordBuffer buffer(*tableIO_, &database_->FileIO());
        buffer.SetString(kTime, time);
        tableIO_->AppendRecord(buffer.Buffers(), false);
    }

    void ConnectionChanged(bool connected) override {
        Note(connected ? "table connected" : "table disconnected");
    }
    void CloseDataSet() override {
        Note("table closed " + databaseName_);
        Close();
    }
    void OwnerSessionNameChanged(const std::string& sessionName) override {
        sessionName_ = sessionName;
    }
    std::string LinkSessionName() const override { return sessionName_; }

  private:
    void Note(const std::string& what) {
        if (journal_ != nullptr)
            journal_->push_back(what);
    }

    std::string databaseName_;
    std::string sessionName_;
    std::vector<std::string>* journal_;
    ChimSession* session_ = nullptr;
    ChimDatabase* database_ = nullptr;
    ChimTableIO* tableIO_ = nullptr;
};

// Every test starts and ends with a default session that holds no database and has neither
// prompt nor passwords.
struct SessionTest : ::testing::Test {
    ChimSession& defaultSession = ChimSessionList::Instance().Default();

    void SetUp() override { Reset(); }
    void TearDown() override {
        for (std::size_t i = 0; i < defaultSession.DatabaseCount(); ++i)
            EXPECT_FALSE(defaultSession.Database(i)->Temporary())
                << "a test left a database behind";
        Reset();
    }
    void Reset() {
        defaultSession.SetPasswordPrompt({});
        defaultSession.RemoveAllPasswords();
        defaultSession.SetKeepConnections(false);
        defaultSession.SetLockRetryCount(LockSettings::kDefaultRetryCount);
        defaultSession.SetLockWaitTime(LockSettings::kDefaultWaitTime);
        defaultSession.Close();
    }
    // A prompt that answers with a fixed password (nullopt: cancel) and records the paths.
    void InstallPrompt(std::optional<std::string> answer, ChimSession* session = nullptr) {
        (session != nullptr ? *session : defaultSession)
            .SetPasswordPrompt([this, answer](const std::string& path) {
                promptedPaths.push_back(path);
                return answer;
            });
    }
    static std::string Message(const std::function<void()>& action) {
        try {
            action();
        } catch (const DatabaseError& e) {
            return e.what();
        }
        return "no error";
    }

    std::vector<std::string> promptedPaths;
};

}  // namespace chimdb::testing
