#include "chimdb/chim_session_list.h"

#include <algorithm>
#include <atomic>

#include "chimdb/chim_session.h"
#include "chimdb/database_error.h"
#include "file/store_lock.h"
#include "values/same_text.h"

namespace chimdb {

namespace {
constexpr const char* kDefaultSessionName = "Default";
}

namespace {
std::atomic<ChimSessionList*> liveList{nullptr};
}

ChimSessionList& ChimSessionList::Instance() {
    static ChimSessionList list;
    return list;
}

ChimSessionList* ChimSessionList::IfAlive() {
    return liveList.load();
}

ChimSessionList::ChimSessionList() {
    liveList.store(this);
    // Built here and not through Instance(), which is still running.
    default_.reset(new ChimSession(ChimSession::DefaultTag{}));
    default_->sessionName_ = kDefaultSessionName;
    sessions_.push_back(default_.get());
}

ChimSessionList::~ChimSessionList() {
    // The default session goes last; sessions of the host that are still alive are only let
    // go (they are the host's to free).
    default_.reset();
    liveList.store(nullptr);
}

ChimSession& ChimSessionList::Default() {
    return *default_;
}

ChimSession* ChimSessionList::FindSession(std::string_view name) {
    if (name.empty())
        return default_.get();
    std::lock_guard lock(mutex_);
    for (ChimSession* session : sessions_)
        if (SameTextIgnoringCase(session->SessionName(), name))
            return session;
    return nullptr;
}

ChimSession& ChimSessionList::GetSession(std::string_view name) {
    ChimSession* session = FindSession(name);
    if (session == nullptr)
        RaiseError("Invalid session name %s", name);
    return *session;
}

std::size_t ChimSessionList::Count() const {
    std::lock_guard lock(mutex_);
    return sessions_.size();
}

std::vector<ChimSession*> ChimSessionList::Sessions() const {
    std::lock_guard lock(mutex_);
    return sessions_;
}

void ChimSessionList::FlushAll() {
    StoreLockGuard storeLock(StoreLock::Mutex());
    for (ChimSession* session : Sessions())
        session->FlushDatabases();
}

void ChimSessionList::Shutdown() {
    StoreLockGuard storeLock(StoreLock::Mutex());
    FlushAll();
    std::vector<ChimSession*> sessions = Sessions();
    for (auto it = sessions.rbegin(); it != sessions.rend(); ++it)
        (*it)->Deactivate();
}

void ChimSessionList::Add(ChimSession* session) {
    std::lock_guard lock(mutex_);
    sessions_.push_back(session);
}

void ChimSessionList::Remove(ChimSession* session) {
    std::lock_guard lock(mutex_);
    sessions_.erase(std::remove(sessions_.begin(), sessions_.end(), session), sessions_.end());
}

int ChimSessionList::TakeAutoNumber() {
    StoreLockGuard storeLock(StoreLock::Mutex());
    auto free = std::find(autoNumbers_.begin(), autoNumbers_.end(), false);
    if (free == autoNumbers_.end()) {
        autoNumbers_.push_back(true);
        return static_cast<int>(autoNumbers_.size()) - 1;
    }
    *free = true;
    return static_cast<int>(free - autoNumbers_.begin());
}

void ChimSessionList::ReleaseAutoNumber(int number) {
    StoreLockGuard storeLock(StoreLock::Mutex());
    if (number >= 0 && static_cast<std::size_t>(number) < autoNumbers_.size())
        autoNumbers_[static_cast<std::size_t>(number)] = false;
}

}  // namespace chimdb
