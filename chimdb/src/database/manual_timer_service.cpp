#include "chimdb/manual_timer_service.h"

#include <utility>

namespace chimdb {

struct ManualTimerService::State {
    struct Entry {
        std::shared_ptr<TimerService::Handler> handler;
        int interval = 0;
        bool enabled = false;
        int elapsed = 0;
    };
    mutable std::mutex mutex;
    std::map<std::uint64_t, Entry> timers;  // ids grow, so the map keeps creation order
    std::uint64_t nextId = 1;

    // The handler of a timer that still exists and is enabled, or null.
    std::shared_ptr<TimerService::Handler> LiveHandler(std::uint64_t id) const {
        std::lock_guard lock(mutex);
        auto it = timers.find(id);
        if (it == timers.end() || !it->second.enabled)
            return nullptr;
        return it->second.handler;
    }
};

namespace {

class ManualTimer : public Timer {
  public:
    ManualTimer(std::weak_ptr<ManualTimerService::State> state, std::uint64_t id)
        : state_(std::move(state)), id_(id) {}

    ~ManualTimer() override {
        if (auto state = state_.lock()) {
            std::lock_guard lock(state->mutex);
            state->timers.erase(id_);
        }
    }

    void SetInterval(int milliseconds) override {
        Update([&](ManualTimerService::State::Entry& entry) {
            entry.interval = milliseconds < 0 ? 0 : milliseconds;
            entry.elapsed = 0;
        });
    }
    int Interval() const override {
        int interval = 0;
        Read([&](const ManualTimerService::State::Entry& entry) { interval = entry.interval; });
        return interval;
    }
    void SetEnabled(bool enabled) override {
        Update([&](ManualTimerService::State::Entry& entry) {
            if (enabled && !entry.enabled)
                entry.elapsed = 0;
            entry.enabled = enabled;
        });
    }
    bool Enabled() const override {
        bool enabled = false;
        Read([&](const ManualTimerService::State::Entry& entry) { enabled = entry.enabled; });
        return enabled;
    }

  private:
    template <typename F>
    void Update(F&& change) {
        if (auto state = state_.lock()) {
            std::lock_guard lock(state->mutex);
            if (auto it = state->timers.find(id_); it != state->timers.end())
                change(it->second);
        }
    }
    template <typename F>
    void Read(F&& look) const {
        if (auto state = state_.lock()) {
            std::lock_guard lock(state->mutex);
            if (auto it = state->timers.find(id_); it != state->timers.end())
                look(it->second);
        }
    }

    std::weak_ptr<ManualTimerService::State> state_;
    std::uint64_t id_;
};

}  // namespace

ManualTimerService::ManualTimerService() : state_(std::make_shared<State>()) {}

ManualTimerService::~ManualTimerService() = default;

std::unique_ptr<Timer> ManualTimerService::CreateTimer(Handler handler, int intervalMilliseconds,
                                                       bool enabled) {
    std::lock_guard lock(state_->mutex);
    std::uint64_t id = state_->nextId++;
    State::Entry& entry = state_->timers[id];
    entry.handler = std::make_shared<Handler>(std::move(handler));
    entry.interval = intervalMilliseconds < 0 ? 0 : intervalMilliseconds;
    entry.enabled = enabled;
    return std::make_unique<ManualTimer>(state_, id);
}

void ManualTimerService::Fire() {
    std::vector<std::uint64_t> ids;
    {
        std::lock_guard lock(state_->mutex);
        for (const auto& [id, entry] : state_->timers)
            if (entry.enabled)
                ids.push_back(id);
    }
    // A handler may destroy or stop other timers: each is looked up again before it ticks.
    for (std::uint64_t id : ids)
        if (auto handler = state_->LiveHandler(id))
            (*handler)();
}

void ManualTimerService::Advance(int milliseconds) {
    std::vector<std::pair<std::uint64_t, int>> due;
    {
        std::lock_guard lock(state_->mutex);
        for (auto& [id, entry] : state_->timers) {
            if (!entry.enabled)
                continue;
            if (entry.interval == 0) {
                due.emplace_back(id, 1);
                continue;
            }
            entry.elapsed += milliseconds < 0 ? 0 : milliseconds;
            if (int ticks = entry.elapsed / entry.interval; ticks > 0) {
                entry.elapsed %= entry.interval;
                due.emplace_back(id, ticks);
            }
        }
    }
    for (auto [id, ticks] : due)
        for (int i = 0; i < ticks; ++i)
            if (auto handler = state_->LiveHandler(id))
                (*handler)();
}

std::size_t ManualTimerService::TimerCount() const {
    std::lock_guard lock(state_->mutex);
    return state_->timers.size();
}

std::size_t ManualTimerService::EnabledCount() const {
    std::lock_guard lock(state_->mutex);
    std::size_t count = 0;
    for (const auto& [id, entry] : state_->timers)
        count += entry.enabled ? 1 : 0;
    return count;
}

ManualTimerService& DefaultManualTimerService() {
    // Never destroyed: databases may still hold timers while static objects go away.
    static ManualTimerService* service = new ManualTimerService;
    return *service;
}

}  // namespace chimdb
