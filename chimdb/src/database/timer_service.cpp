#include "chimdb/timer_service.h"

#include <atomic>

#include "chimdb/manual_timer_service.h"

namespace chimdb {

namespace {

std::atomic<TimerService*>& InstalledService() {
    static std::atomic<TimerService*> service{nullptr};
    return service;
}

}  // namespace

TimerService& TimerService::Default() {
    TimerService* service = InstalledService().load();
    return service != nullptr ? *service : DefaultManualTimerService();
}

void TimerService::SetDefault(TimerService* service) {
    InstalledService().store(service);
}

}  // namespace chimdb
