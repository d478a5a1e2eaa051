#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>

namespace chimora {

// Why a bell may not ring. Each cause is shown while it lasts, so that the program never
// falls silent behind a status line that looks normal.
enum class SilenceCause {
    DatabaseUnreadable,
    NoActivePlan,
    PlanWithoutEntries,
    AudioUnavailable,
    LastRingFailed,
    ShutdownFailed,
    ClockNotSynchronised,
    BackupFailed,
};

// The causes in force now, each with its text for the user. Listeners hear every start and
// every end of a cause (the status bar, the tray icon, the ring log).
class SilenceWarnings {
  public:
    using Listener = std::function<void(SilenceCause cause, bool active, const std::string& text)>;

    void SetListener(Listener listener) { listener_ = std::move(listener); }

    // Starts the cause, or changes its text; a repeat with the same text is no change.
    void Raise(SilenceCause cause, const std::string& text) {
        auto it = active_.find(cause);
        if (it != active_.end() && it->second == text) {
            return;
        }
        active_[cause] = text;
        Notify(cause, true, text);
    }

    // Ends the cause; a cause not in force is no change.
    void Clear(SilenceCause cause) {
        auto it = active_.find(cause);
        if (it == active_.end()) {
            return;
        }
        std::string text = std::move(it->second);
        active_.erase(it);
        Notify(cause, false, text);
    }

    bool IsActive(SilenceCause cause) const { return active_.count(cause) != 0; }
    bool Empty() const { return active_.empty(); }
    // The causes in force, in the order of the enumeration.
    const std::map<SilenceCause, std::string>& Active() const { return active_; }

  private:
    void Notify(SilenceCause cause, bool active, const std::string& text) {
        if (listener_) {
            listener_(cause, active, text);
        }
    }

    std::map<SilenceCause, std::string> active_;
    Listener listener_;
};

}  // namespace chimora
