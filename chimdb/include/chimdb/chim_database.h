#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "chimdb/medium_type.h"
#include "chimdb/progress_event.h"
#include "chimdb/timer_service.h"

namespace chimdb {

class ChimDBFileIO;
class ChimSession;
class ChimTableIO;
class Component;
class DataSetLink;

// One database file: opens it through the file I/O, decides whether its tables may be read
// (the password), keeps the file's table I/O objects and the tables open on it, and flushes
// the file from a timer. A database belongs to one session (the default one unless
// SessionName names another).
class ChimDatabase {
  public:
    using NotifyEvent = std::function<void(ChimDatabase&)>;

    static constexpr int kFlushTimerInterval = 1000;
    static constexpr int kDefaultAutoFlushInterval = 60000;

    // Registers with the default session. owner: the component that holds it (may be null).
    // timers: where the flush timer comes from (null: TimerService::Default()); it must
    // outlive every connection of this database.
    explicit ChimDatabase(Component* owner = nullptr, TimerService* timers = nullptr);
    ~ChimDatabase();
    ChimDatabase(const ChimDatabase&) = delete;
    ChimDatabase& operator=(const ChimDatabase&) = delete;

    // Properties that need a closed database raise "Cannot perform this operation on an open
    // database" while connected.
    const std::string& DatabaseName() const { return databaseName_; }
    void SetDatabaseName(const std::string& name);
    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& fileName);
    // FileName, or DatabaseName when FileName is empty.
    const std::string& FilePath() const;
    ChimDBMediumType MediumType() const { return medium_; }
    void SetMediumType(ChimDBMediumType medium);
    bool Exclusive() const { return exclusive_; }
    void SetExclusive(bool exclusive);
    const std::string& SessionName() const { return sessionName_; }
    void SetSessionName(const std::string& name);
    bool KeepConnection() const { return keepConnection_; }
    // False on a database that no table holds closes it.
    void SetKeepConnection(bool keep);

    // The flush timer: enabled with 1000 ms from creation. AutoFlush on sets the period to
    // AutoFlushInterval and enables it; off disables it.
    bool AutoFlush() const { return autoFlush_; }
    void SetAutoFlush(bool autoFlush);
    int AutoFlushInterval() const { return autoFlushInterval_; }
    void SetAutoFlushInterval(int milliseconds);
    bool FlushTimerEnabled() const { return flushTimerEnabled_; }
    int FlushTimerInterval() const { return flushTimerInterval_; }
    // Flushes the file now when it was written since the last flush (what a tick does).
    void Flush();

    bool Connected() const { return fileIO_ != nullptr; }
    void SetConnected(bool connected);
    void Open() { SetConnected(true); }
    void Close() { SetConnected(false); }

    NotifyEvent BeforeConnect;
    NotifyEvent AfterConnect;
    NotifyEvent BeforeDisconnect;
    NotifyEvent AfterDisconnect;
    // OnCompressProgress, OnUncompressProgress, OnEncryptProgress, OnDecryptProgress: handed
    // to the file I/O's data processing.
    DataProcessEvents ProgressEvents;

    bool CanAccess() const { return canAccess_; }
    bool PasswordSet() const { return passwordSet_; }
    bool Temporary() const { return temporary_; }
    int RefCount() const { return refCount_; }
    ChimSession& Session() const { return *session_; }
    Component* Owner() const { return owner_; }

    // Stores the password; while connected, access is re-checked with it at once.
    void SetPassword(const std::string& password);
    // At every table open: tries the session's passwords, then the stored one, else the
    // session's prompt (cancel: Abort). "Access denied" when nothing gives access.
    void CheckCanAccess();

    void RegisterTable(DataSetLink* table);
    void UnregisterTable(DataSetLink* table);
    std::size_t DataSetCount() const { return dataSets_.size(); }
    DataSetLink* DataSet(std::size_t index) const { return dataSets_.at(index); }

    // The table I/O object of a table (any case); nullptr when absent or disconnected.
    ChimTableIO* FindTableIO(std::string_view tableName);
    // The open file; "Cannot perform this operation on a closed database" when disconnected.
    ChimDBFileIO& FileIO();
    // Header flags; "Cannot perform this operation on a closed database" when disconnected.
    bool EncryptEnabled() const;
    bool CompressEnabled() const;
    bool VerifyWrites() const;
    // The file is read-only on disk (false when disconnected).
    bool IsReadOnly() const;
    // Table names in directory order; empty when disconnected.
    std::vector<std::string> TableNames() const;

  private:
    friend class ChimSession;

    void DoConnect();
    void DoDisconnect();
    void RequireClosed() const;
    void RequireConnected() const;
    void StartFlushTimer();
    void UpdateFlushTimer();
    void OnFlushTimer();
    void BindSession(bool activate);
    void MoveToSession(ChimSession& session);
    // Called by a session that is being destroyed.
    void SessionDestroyed();

    Component* owner_;
    TimerService& timers_;
    ChimSession* session_ = nullptr;
    std::string databaseName_;
    std::string fileName_;
    std::string sessionName_;
    ChimDBMediumType medium_ = ChimDBMediumType::mtDisk;
    bool exclusive_ = false;
    bool keepConnection_ = false;
    bool temporary_ = false;
    bool destroying_ = false;
    // While the tables are closed by a disconnect, releasing them neither closes nor frees
    // this database.
    bool disconnecting_ = false;
    int refCount_ = 0;
    bool canAccess_ = false;
    std::string password_;
    bool passwordSet_ = false;
    bool autoFlush_ = false;
    int autoFlushInterval_ = kDefaultAutoFlushInterval;
    bool flushTimerEnabled_ = true;
    int flushTimerInterval_ = kFlushTimerInterval;
    std::vector<DataSetLink*> dataSets_;
    std::vector<std::string> tableNames_;
    std::unique_ptr<ChimDBFileIO> fileIO_;
    std::vector<std::unique_ptr<ChimTableIO>> tableIOs_;
    // Exists only while connected: a tick has nothing to do on a closed database, and so no
    // host timer outlives the connection.
    std::unique_ptr<Timer> flushTimer_;
};

}  // namespace chimdb
