#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "chimdb/lock_settings.h"
#include "chimdb/medium_type.h"
#include "chimdb/password_prompt.h"

namespace chimdb {

class ChimDatabase;
class ChimSessionList;
class Component;

// A group of databases by name. Hands a table the database it names (creating a temporary
// one on demand), carries the file-lock settings of its databases, the passwords they try
// first and the host's password prompt.
class ChimSession {
  public:
    using NotifyEvent = std::function<void(ChimSession&)>;

    // Registers with the session list. owner: the component that holds it (may be null);
    // "Cannot add a session to the form or data-module while session '%s' has
    // AutoSessionName enabled" when the owner already has an automatically named session.
    explicit ChimSession(Component* owner = nullptr);
    ~ChimSession();
    ChimSession(const ChimSession&) = delete;
    ChimSession& operator=(const ChimSession&) = delete;

    bool Active() const { return active_; }
    // On: fires OnStartup, "Session name missing" for an empty name, activates the default
    // session too. Off: frees the temporary databases and closes the others, last first.
    void SetActive(bool active);
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    NotifyEvent OnStartup;

    const std::string& SessionName() const { return sessionName_; }
    void SetSessionName(const std::string& name);
    bool AutoSessionName() const { return autoSessionName_; }
    void SetAutoSessionName(bool autoName);
    bool IsDefault() const { return isDefault_; }
    Component* Owner() const { return owner_; }

    bool KeepConnections() const { return keepConnections_; }
    void SetKeepConnections(bool keep) { keepConnections_ = keep; }
    // While a table applies its filter, the host may show a wait cursor when this is true.
    bool SQLHourGlass() const { return sqlHourGlass_; }
    void SetSQLHourGlass(bool show) { sqlHourGlass_ = show; }

    // File-lock attempts (0: wait without limit) and the pause between them; negative values
    // are stored as 0. The file I/O of every database of the session reads them.
    int LockRetryCount() const { return lockSettings_.LockRetryCount(); }
    void SetLockRetryCount(int count) { lockSettings_.SetLockRetryCount(count); }
    int LockWaitTime() const { return lockSettings_.LockWaitTime(); }
    void SetLockWaitTime(int milliseconds) { lockSettings_.SetLockWaitTime(milliseconds); }
    const LockSettings& GetLockSettings() const { return lockSettings_; }

    // Passwords that every database of the session tries first when a table opens.
    const std::vector<std::string>& Passwords() const { return passwords_; }
    void AddPassword(const std::string& password);
    void RemoveAllPasswords() { passwords_.clear(); }

    // The host's prompt; none installed counts as cancelled.
    void SetPasswordPrompt(PasswordPrompt prompt) { passwordPrompt_ = std::move(prompt); }
    const PasswordPrompt& GetPasswordPrompt() const { return passwordPrompt_; }

    // The first database registered under this name (any case); databases with an empty name
    // are passed over unless temporary.
    ChimDatabase* FindDatabase(std::string_view name) const;
    // The database of that name, created (temporary, owned by the session) when there is none,
    // and connected. addRef: one more hold (ReleaseDatabase gives it back).
    ChimDatabase& AcquireDatabase(const std::string& name, bool addRef,
                                  ChimDBMediumType medium = ChimDBMediumType::mtDisk);
    // Gives back one hold; the last one closes the database (or frees a temporary one)
    // unless KeepConnection is on.
    void ReleaseDatabase(ChimDatabase& database);
    std::size_t DatabaseCount() const { return databases_.size(); }
    ChimDatabase* Database(std::size_t index) const { return databases_.at(index); }
    // Flushes every connected database of the session that was written since its last flush.
    void FlushDatabases();

    // The store-wide lock on behalf of this session; nested calls only count, and the first
    // activates the session when it is inactive.
    void LockSession();
    void UnlockSession();
    int LockDepth() const { return lockDepth_; }

  private:
    friend class ChimDatabase;
    friend class ChimSessionList;
    friend class Component;
    struct DefaultTag {};
    // The default session, made by the session list itself.
    explicit ChimSession(DefaultTag);

    void AddDatabase(ChimDatabase* database);
    void RemoveDatabase(ChimDatabase* database);
    // Frees an owned (temporary) database; false when it is not one of ours.
    bool FreeTemporary(ChimDatabase* database);
    // Duplicate check for a database that takes the name "name" in this session.
    void CheckDuplicateDatabase(const ChimDatabase& database, const std::string& name);
    void Deactivate();
    void ApplyAutoName();
    void ReleaseAutoNumber();

    Component* owner_ = nullptr;
    bool isDefault_ = false;
    bool active_ = false;
    std::string sessionName_;
    bool autoSessionName_ = false;
    bool autoNaming_ = false;
    int autoNumber_ = -1;
    bool keepConnections_ = false;
    bool sqlHourGlass_ = true;
    int lockDepth_ = 0;
    LockSettings lockSettings_;
    std::vector<std::string> passwords_;
    PasswordPrompt passwordPrompt_;
    std::vector<ChimDatabase*> databases_;
    std::vector<std::unique_ptr<ChimDatabase>> temporaries_;
};

}  // namespace chimdb
