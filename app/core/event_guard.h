#pragma once

#include <functional>
#include <string>
#include <utility>

#include "platform/message_boxes.h"

namespace chimora {

// The boundary between the window toolkit and the program's actions: an error that ends a
// user action (a store error, an autorun failure) is shown in the one standard error box
// and never escapes into the toolkit. A cancelled password prompt ends the action silently.
class EventGuard {
  public:
    explicit EventGuard(platform::MessageBoxes& boxes) : boxes_(boxes) {}

    // Also told of every error shown, e.g. for the ring log.
    void SetErrorListener(std::function<void(const std::string&)> listener) {
        listener_ = std::move(listener);
    }

    // Runs action; false when an error ended it.
    bool Run(const std::function<void()>& action);
    // The ring path and the play button: errors are dropped without a message.
    static bool RunSilently(const std::function<void()>& action);

    platform::MessageBoxes& Boxes() { return boxes_; }

  private:
    platform::MessageBoxes& boxes_;
    std::function<void(const std::string&)> listener_;
};

}  // namespace chimora
