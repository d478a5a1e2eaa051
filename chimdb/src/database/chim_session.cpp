#include "chimdb/chim_session.h"

#include <algorithm>

#include "chimdb/chim_database.h"
#include "chimdb/chim_session_list.h"
#include "chimdb/data_set_link.h"
#include "chimdb/database_error.h"
#include "chimdb/timer_service.h"
#include "database/component.h"
#include "file/store_lock.h"
#include "values/same_text.h"

namespace chimdb {

namespace {

constexpr const char* kMsgActiveSession = "Cannot perform this operation on an active session";

// Holds the store-wide lock on behalf of a session for a scope.
class SessionLockGuard {
  public:
    explicit SessionLockGuard(ChimSession& session) : session_(session) { session_.LockSession(); }
    ~SessionLockGuard() { session_.UnlockSession(); }
    SessionLockGuard(const SessionLockGuard&) = delete;
    SessionLockGuard& operator=(const SessionLockGuard&) = delete;

  private:
    ChimSession& session_;
};

}  // namespace

ChimSession::ChimSession(Component* owner) : owner_(owner) {
    if (owner_ != nullptr)
        if (ChimSession* autoNamed = owner_->AutoNamedSession())
            RaiseError(
                "Cannot add a session to the form or data-module while session '%s' has "
                "AutoSessionName enabled",
                autoNamed->SessionName());
    ChimSessionList::Instance().Add(this);
    if (owner_ != nullptr)
        owner_->AddSession(this);
}

ChimSession::ChimSession(DefaultTag) : isDefault_(true) {}

ChimSession::~ChimSession() {
    try {
        Deactivate();
    } catch (...) {
        // A destructor cannot report; the databases are let go below in any case.
    }
    ReleaseAutoNumber();
    // The databases that the host placed here stay alive: they move to the default session
    // (or, when the default session itself goes at the end of the process, to none).
    while (!databases_.empty()) {
        ChimDatabase* database = databases_.back();
        databases_.pop_back();
        database->SessionDestroyed();
    }
    temporaries_.clear();
    if (owner_ != nullptr)
        owner_->RemoveSession(this);
    if (!isDefault_)
        if (ChimSessionList* list = ChimSessionList::IfAlive())
            list->Remove(this);
}

void ChimSession::SetActive(bool active) {
    StoreLockGuard lock(StoreLock::Mutex());
    if (active == active_)
        return;
    if (!active) {
        Deactivate();
        return;
    }
    if (OnStartup)
        OnStartup(*this);
    if (sessionName_.empty())
        RaiseError("Session name missing");
    if (!isDefault_)
        ChimSessionList::Instance().Default().SetActive(true);
    active_ = true;
}

void ChimSession::Deactivate() {
    StoreLockGuard lock(StoreLock::Mutex());
    for (std::size_t i = databases_.size(); i-- > 0;) {
        if (i >= databases_.size())
            continue;  // freeing one may have let others go
        ChimDatabase* database = databases_[i];
        if (!FreeTemporary(database))
            database->Close();
    }
    active_ = false;
}

void ChimSession::SetSessionName(const std::string& name) {
    if (autoSessionName_ && !autoNaming_)
        RaiseError("Cannot modify SessionName while AutoSessionName is enabled");
    if (active_)
        RaiseError(kMsgActiveSession);
    if (!name.empty()) {
        ChimSession* holder = ChimSessionList::Instance().FindSession(name);
        if (holder != nullptr && holder != this)
            RaiseError("Duplicate session name '%s'", name);
    }
    sessionName_ = name;
}

void ChimSession::SetAutoSessionName(bool autoName) {
    if (autoName == autoSessionName_)
        return;
    if (active_)
        RaiseError(kMsgActiveSession);
    if (!autoName) {
        ReleaseAutoNumber();
        autoSessionName_ = false;
        return;
    }
    if (owner_ != nullptr && owner_->Sessions().size() > 1)
        RaiseError(
            "Cannot enable AutoSessionName property with more than one session on a form "
            "or data-module");
    StoreLockGuard lock(StoreLock::Mutex());
    autoNumber_ = ChimSessionList::Instance().TakeAutoNumber();
    autoSessionName_ = true;
    try {
        ApplyAutoName();
    } catch (...) {
        ReleaseAutoNumber();
        autoSessionName_ = false;
        throw;
    }
}

void ChimSession::ApplyAutoName() {
    if (!autoSessionName_)
        return;
    std::string ownerName = owner_ != nullptr ? owner_->Name() : std::string();
    std::string name = ownerName + "_" + std::to_string(autoNumber_ + 1);
    autoNaming_ = true;
    try {
        SetSessionName(name);
    } catch (...) {
        autoNaming_ = false;
        throw;
    }
    autoNaming_ = false;
    if (owner_ == nullptr)
        return;
    for (ChimDatabase* database : owner_->Databases())
        if (database->SessionName() != sessionName_)
            database->SetSessionName(sessionName_);
    for (DataSetLink* dataSet : owner_->DataSets())
        if (dataSet->LinkSessionName() != sessionName_)
            dataSet->OwnerSessionNameChanged(sessionName_);
}

void ChimSession::ReleaseAutoNumber() {
    if (autoNumber_ < 0)
        return;
    if (ChimSessionList* list = ChimSessionList::IfAlive())
        list->ReleaseAutoNumber(autoNumber_);
    autoNumber_ = -1;
}

void ChimSession::AddPassword(const std::string& password) {
    if (std::find(passwords_.begin(), passwords_.end(), password) == passwords_.end())
        passwords_.push_back(password);
}

ChimDatabase* ChimSession::FindDatabase(std::string_view name) const {
    StoreLockGuard lock(StoreLock::Mutex());
    for (ChimDatabase* database : databases_) {
        if (database->DatabaseName().empty() && !database->Temporary())
            continue;
        if (SameTextIgnoringCase(database->DatabaseName(), name))
            return database;
    }
    return nullptr;
}

ChimDatabase& ChimSession::AcquireDatabase(const std::string& name, bool addRef,
                                           ChimDBMediumType medium) {
    SessionLockGuard lock(*this);
    ChimDatabase* database = FindDatabase(name);
    ChimDatabase* created = nullptr;
    if (database == nullptr) {
        auto temporary = std::make_unique<ChimDatabase>(nullptr, &TimerService::Default());
        temporary->temporary_ = true;
        temporary->medium_ = medium;
        temporary->keepConnection_ = keepConnections_;
        temporary->databaseName_ = name;
        if (!isDefault_) {
            temporary->sessionName_ = sessionName_;
            temporary->MoveToSession(*this);
        }
        created = temporary.get();
        temporaries_.push_back(std::move(temporary));
        database = created;
    }
    try {
        database->Open();
    } catch (...) {
        if (created != nullptr)
            FreeTemporary(created);
        throw;
    }
    if (addRef)
        ++database->refCount_;
    return *database;
}

void ChimSession::ReleaseDatabase(ChimDatabase& database) {
    StoreLockGuard lock(StoreLock::Mutex());
    if (database.refCount_ > 0)
        --database.refCount_;
    if (database.refCount_ > 0 || database.keepConnection_ || database.disconnecting_)
        return;
    if (!database.temporary_) {
        database.Close();
        return;
    }
    if (database.destroying_)
        return;
    // The temporary belongs to the session that made it, which may not be this one.
    if (!FreeTemporary(&database) && database.session_ != nullptr)
        database.session_->FreeTemporary(&database);
}

void ChimSession::FlushDatabases() {
    StoreLockGuard lock(StoreLock::Mutex());
    for (ChimDatabase* database : databases_)
        database->Flush();
}

void ChimSession::LockSession() {
    StoreLock::Mutex().lock();
    if (lockDepth_++ > 0 || active_)
        return;
    try {
        SetActive(true);
    } catch (...) {
        --lockDepth_;
        StoreLock::Mutex().unlock();
        throw;
    }
}

void ChimSession::UnlockSession() {
    --lockDepth_;
    StoreLock::Mutex().unlock();
}

void ChimSession::AddDatabase(ChimDatabase* database) {
    StoreLockGuard lock(StoreLock::Mutex());
    if (std::find(databases_.begin(), databases_.end(), database) == databases_.end())
        databases_.push_back(database);
}

void ChimSession::RemoveDatabase(ChimDatabase* database) {
    StoreLockGuard lock(StoreLock::Mutex());
    databases_.erase(std::remove(databases_.begin(), databases_.end(), database), databases_.end());
}

bool ChimSession::FreeTemporary(ChimDatabase* database) {
    StoreLockGuard lock(StoreLock::Mutex());
    auto owned = std::find_if(temporaries_.begin(), temporaries_.end(),
                              [&](const auto& item) { return item.get() == database; });
    if (owned == temporaries_.end())
        return false;
    // Taken out of the list first: its destructor may release other databases of ours.
    std::unique_ptr<ChimDatabase> doomed = std::move(*owned);
    temporaries_.erase(owned);
    doomed.reset();
    return true;
}

void ChimSession::CheckDuplicateDatabase(const ChimDatabase& database, const std::string& name) {
    if (name.empty())
        return;
    StoreLockGuard lock(StoreLock::Mutex());
    for (ChimDatabase* other : std::vector<ChimDatabase*>(databases_)) {
        if (other == &database || !SameTextIgnoringCase(other->DatabaseName(), name))
            continue;
        if (!other->Temporary() || other->RefCount() > 0)
            RaiseError("Duplicate database name '%s'", name);
        // An idle temporary database gives way to the one that is named now.
        if (!FreeTemporary(other) && other->session_ != nullptr && other->session_ != this)
            other->session_->FreeTemporary(other);
    }
}

}  // namespace chimdb
