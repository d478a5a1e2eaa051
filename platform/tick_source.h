#pragma once

#include <functional>

namespace chimora::platform {

// Calls its handler once per wall-clock second, on the program's thread.
class TickSource {
  public:
    virtual ~TickSource() = default;
    virtual void Start(std::function<void()> onTick) = 0;
    virtual void Stop() = 0;
};

}  // namespace chimora::platform
