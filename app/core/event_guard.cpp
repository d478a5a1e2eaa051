#include "app/core/event_guard.h"

#include <exception>

#include "chimdb/database_error.h"

namespace chimora {

bool EventGuard::Run(const std::function<void()>& action) {
    try {
        action();
        return true;
    } catch (const chimdb::Abort&) {
        return false;
    } catch (const std::exception& error) {
        if (listener_)
            listener_(error.what());
        boxes_.ShowError(error.what());
    } catch (...) {
        const std::string text = "Unknown error";
        if (listener_)
            listener_(text);
        boxes_.ShowError(text);
    }
    return false;
}

bool EventGuard::RunSilently(const std::function<void()>& action) {
    try {
        action();
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace chimora
