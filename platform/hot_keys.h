#pragma once

#include <functional>
#include <utility>

namespace chimora::platform {

// System-wide hot keys. Registration may fail (another program holds the key, no way to
// grab keys on this desktop); callers ignore that and run without the key.
class HotKeys {
  public:
    static constexpr unsigned kModAlt = 1;
    static constexpr unsigned kModControl = 2;

    virtual ~HotKeys() = default;
    // Registers modifiers + key (an upper-case letter) under id; false when it failed.
    virtual bool RegisterHotKey(int id, unsigned modifiers, char key) = 0;
    virtual void UnregisterHotKey(int id) = 0;

    // Called with the id of a registered hot key when it is pressed, on the GUI thread.
    void SetHandler(std::function<void(int id)> handler) { handler_ = std::move(handler); }

  protected:
    void Fire(int id) {
        if (handler_)
            handler_(id);
    }

  private:
    std::function<void(int id)> handler_;
};

}  // namespace chimora::platform
