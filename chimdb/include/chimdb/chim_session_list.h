#pragma once

#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

namespace chimdb {

class ChimSession;

// The process-wide list of sessions. Made on first use together with the default session
// "Default"; thread-safe.
class ChimSessionList {
  public:
    static ChimSessionList& Instance();
    // The list while it exists; null once it was destroyed at the end of the process.
    static ChimSessionList* IfAlive();

    ChimSession& Default();
    // Empty name: the default session; otherwise the session of that name (any case), or null.
    ChimSession* FindSession(std::string_view name);
    // As FindSession; an unknown name raises "Invalid session name %s".
    ChimSession& GetSession(std::string_view name);
    std::size_t Count() const;
    std::vector<ChimSession*> Sessions() const;

    // Flushes every connected database of every session (the program calls it when it ends
    // and when the system shuts down, so that no written change stays unsynced).
    void FlushAll();
    // Flushes, then deactivates every session: temporary databases are freed, the others
    // closed. The host calls it before it destroys its timer service.
    void Shutdown();

    ~ChimSessionList();
    ChimSessionList(const ChimSessionList&) = delete;
    ChimSessionList& operator=(const ChimSessionList&) = delete;

  private:
    friend class ChimSession;
    ChimSessionList();

    void Add(ChimSession* session);
    void Remove(ChimSession* session);
    // Lowest free number for an automatic session name, marked used.
    int TakeAutoNumber();
    void ReleaseAutoNumber(int number);

    mutable std::mutex mutex_;
    std::vector<ChimSession*> sessions_;
    std::vector<bool> autoNumbers_;
    std::unique_ptr<ChimSession> default_;
};

}  // namespace chimdb
