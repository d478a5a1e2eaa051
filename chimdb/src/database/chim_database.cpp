#include "chimdb/chim_database.h"

#include <algorithm>
#include <exception>

#include "chimdb/chim_session.h"
#include "chimdb/chim_session_list.h"
#include "chimdb/data_set_link.h"
#include "chimdb/database_error.h"
#include "database/component.h"
#include "file/store_lock.h"
#include "table_io/chim_db_file_io.h"
#include "table_io/chim_table_io.h"
#include "values/same_text.h"

namespace chimdb {

namespace {

constexpr const char* kMsgOpenDatabase = "Cannot perform this operation on an open database";
constexpr const char* kMsgClosedDatabase = "Cannot perform this operation on a closed database";

void Fire(const ChimDatabase::NotifyEvent& event, ChimDatabase& database) {
    if (event)
        event(database);
}

}  // namespace

ChimDatabase::ChimDatabase(Component* owner, TimerService* timers)
    : owner_(owner), timers_(timers != nullptr ? *timers : TimerService::Default()) {
    session_ = &ChimSessionList::Instance().Default();
    session_->AddDatabase(this);
    if (owner_ == nullptr)
        return;
    owner_->AddDatabase(this);
    // A database placed beside an automatically named session joins it at once.
    if (ChimSession* autoNamed = owner_->AutoNamedSession()) {
        sessionName_ = autoNamed->SessionName();
        BindSession(false);
    }
}

ChimDatabase::~ChimDatabase() {
    destroying_ = true;
    try {
        Close();
    } catch (...) {
        // A destructor cannot report; DoDisconnect has let the file go in any case.
    }
    if (session_ != nullptr)
        session_->RemoveDatabase(this);
    if (owner_ != nullptr)
        owner_->RemoveDatabase(this);
}

const std::string& ChimDatabase::FilePath() const {
    return fileName_.empty() ? databaseName_ : fileName_;
}

void ChimDatabase::RequireClosed() const {
    if (Connected())
        RaiseError(kMsgOpenDatabase);
}

void ChimDatabase::RequireConnected() const {
    if (!Connected())
        RaiseError(kMsgClosedDatabase);
}

void ChimDatabase::SetDatabaseName(const std::string& name) {
    RequireClosed();
    if (session_ != nullptr)
        session_->CheckDuplicateDatabase(*this, name);
    databaseName_ = name;
}

void ChimDatabase::SetFileName(const std::string& fileName) {
    RequireClosed();
    fileName_ = fileName;
}

void ChimDatabase::SetMediumType(ChimDBMediumType medium) {
    RequireClosed();
    medium_ = medium;
    for (DataSetLink* table : std::vector<DataSetLink*>(dataSets_))
        table->MediumTypeChanged(medium);
}

void ChimDatabase::SetExclusive(bool exclusive) {
    RequireClosed();
    exclusive_ = exclusive;
}

void ChimDatabase::SetSessionName(const std::string& name) {
    RequireClosed();
    sessionName_ = name;
    BindSession(false);
}

void ChimDatabase::SetKeepConnection(bool keep) {
    keepConnection_ = keep;
    if (!keep && refCount_ == 0)
        Close();
}

void ChimDatabase::BindSession(bool activate) {
    ChimSessionList& list = ChimSessionList::Instance();
    ChimSession* target =
        activate ? &list.GetSession(sessionName_) : list.FindSession(sessionName_);
    if (target == nullptr)
        return;
    if (target != session_)
        MoveToSession(*target);
    if (activate)
        target->SetActive(true);
}

void ChimDatabase::MoveToSession(ChimSession& session) {
    StoreLockGuard lock(StoreLock::Mutex());
    if (session_ != nullptr)
        session_->RemoveDatabase(this);
    session_ = &session;
    session_->AddDatabase(this);
    try {
        session_->CheckDuplicateDatabase(*this, databaseName_);
    } catch (...) {
        databaseName_.clear();
        throw;
    }
}

void ChimDatabase::SessionDestroyed() {
    try {
        Close();
    } catch (...) {
        // The session is going away; its databases must let go of it whatever happens.
    }
    sessionName_.clear();
    ChimSessionList* list = ChimSessionList::IfAlive();
    bool defaultGoing = list == nullptr || session_ == &list->Default();
    session_ = defaultGoing ? nullptr : &list->Default();
    if (session_ != nullptr)
        session_->AddDatabase(this);
}

// Connection.

void ChimDatabase::SetConnected(bool connected) {
    if (connected == Connected())
        return;
    if (connected) {
        Fire(BeforeConnect, *this);
        DoConnect();
        for (DataSetLink* table : std::vector<DataSetLink*>(dataSets_))
            table->ConnectionChanged(true);
        Fire(AfterConnect, *this);
    } else {
        Fire(BeforeDisconnect, *this);
        for (DataSetLink* table : std::vector<DataSetLink*>(dataSets_))
            table->ConnectionChanged(false);
        DoDisconnect();
        Fire(AfterDisconnect, *this);
    }
}

void ChimDatabase::DoConnect() {
    if (databaseName_.empty() && !temporary_)
        RaiseError("Database name missing");
    BindSession(true);
    auto fileIO = std::make_unique<ChimDBFileIO>(session_->GetLockSettings(), &ProgressEvents);
    fileIO->OpenFile(FilePath(), medium_, exclusive_);
    bool access = !fileIO->EncryptEnabled();
    if (!access && passwordSet_)
        access = fileIO->CheckPassword(password_);
    std::vector<std::string> names = fileIO->GetTableNames();
    std::vector<std::unique_ptr<ChimTableIO>> tableIOs;
    tableIOs.reserve(names.size());
    for (const std::string& name : names)
        tableIOs.push_back(std::make_unique<ChimTableIO>(*fileIO, name));
    // Nothing of the connection is kept until every step has succeeded.
    fileIO_ = std::move(fileIO);
    canAccess_ = access;
    tableNames_ = std::move(names);
    tableIOs_ = std::move(tableIOs);
    StartFlushTimer();
}

void ChimDatabase::DoDisconnect() {
    if (!fileIO_)
        return;
    // Written changes reach the device before the file is let go; an error of that flush is
    // raised once the database is disconnected.
    std::exception_ptr flushError;
    try {
        Flush();
    } catch (...) {
        flushError = std::current_exception();
    }
    flushTimer_.reset();
    // The tables close while the file is still open, last first; releasing them neither closes
    // nor frees this database.
    disconnecting_ = true;
    while (!dataSets_.empty()) {
        DataSetLink* table = dataSets_.back();
        try {
            table->CloseDataSet();
        } catch (...) {
            // A table that fails to close is still let go: the file goes away under it.
        }
        if (!dataSets_.empty() && dataSets_.back() == table)
            dataSets_.pop_back();
    }
    disconnecting_ = false;
    refCount_ = 0;
    canAccess_ = false;
    password_.clear();
    passwordSet_ = false;
    tableIOs_.clear();
    tableNames_.clear();
    fileIO_->CloseFile();
    fileIO_.reset();
    if (flushError)
        std::rethrow_exception(flushError);
}

// Access.

void ChimDatabase::SetPassword(const std::string& password) {
    password_ = password;
    passwordSet_ = true;
    if (Connected())
        canAccess_ = fileIO_->CheckPassword(password);
}

void ChimDatabase::CheckCanAccess() {
    if (canAccess_)
        return;
    // The session's passwords are tried without replacing what the caller handed over, so
    // that a miss leaves the prompt and the stored password as they were.
    if (Connected()) {
        for (const std::string& password : session_->Passwords()) {
            if (fileIO_->CheckPassword(password)) {
                SetPassword(password);
                return;
            }
        }
    }
    if (passwordSet_) {
        std::string stored = password_;
        SetPassword(stored);
    } else {
        const PasswordPrompt& prompt = session_->GetPasswordPrompt();
        std::optional<std::string> typed = prompt ? prompt(FilePath()) : std::nullopt;
        if (!typed)
            throw Abort();
        SetPassword(*typed);
    }
    if (!canAccess_)
        RaiseError("Access denied");
}

// Tables.

void ChimDatabase::RegisterTable(DataSetLink* table) {
    if (table != nullptr && std::find(dataSets_.begin(), dataSets_.end(), table) == dataSets_.end())
        dataSets_.push_back(table);
}

void ChimDatabase::UnregisterTable(DataSetLink* table) {
    dataSets_.erase(std::remove(dataSets_.begin(), dataSets_.end(), table), dataSets_.end());
}

ChimTableIO* ChimDatabase::FindTableIO(std::string_view tableName) {
    for (const auto& tableIO : tableIOs_)
        if (SameTextIgnoringCase(tableIO->TableName(), tableName))
            return tableIO.get();
    return nullptr;
}

ChimDBFileIO& ChimDatabase::FileIO() {
    RequireConnected();
    return *fileIO_;
}

bool ChimDatabase::EncryptEnabled() const {
    RequireConnected();
    return fileIO_->EncryptEnabled();
}

bool ChimDatabase::CompressEnabled() const {
    RequireConnected();
    return fileIO_->CompressEnabled();
}

bool ChimDatabase::VerifyWrites() const {
    RequireConnected();
    return fileIO_->VerifyWrites();
}

bool ChimDatabase::IsReadOnly() const {
    return fileIO_ != nullptr && fileIO_->ReadOnly();
}

std::vector<std::string> ChimDatabase::TableNames() const {
    return Connected() ? tableNames_ : std::vector<std::string>{};
}

// Flushing.

void ChimDatabase::SetAutoFlush(bool autoFlush) {
    autoFlush_ = autoFlush;
    if (autoFlush) {
        flushTimerInterval_ = autoFlushInterval_;
        flushTimerEnabled_ = true;
    } else {
        flushTimerEnabled_ = false;
    }
    UpdateFlushTimer();
}

void ChimDatabase::SetAutoFlushInterval(int milliseconds) {
    autoFlushInterval_ = milliseconds;
    if (flushTimerEnabled_) {
        flushTimerInterval_ = milliseconds;
        UpdateFlushTimer();
    }
}

void ChimDatabase::Flush() {
    if (fileIO_ && !fileIO_->Flushed())
        fileIO_->FlushFile();
}

void ChimDatabase::StartFlushTimer() {
    flushTimer_ =
        timers_.CreateTimer([this] { OnFlushTimer(); }, flushTimerInterval_, flushTimerEnabled_);
}

void ChimDatabase::UpdateFlushTimer() {
    if (!flushTimer_)
        return;
    flushTimer_->SetInterval(flushTimerInterval_);
    flushTimer_->SetEnabled(flushTimerEnabled_);
}

void ChimDatabase::OnFlushTimer() {
    Flush();
}

}  // namespace chimdb
