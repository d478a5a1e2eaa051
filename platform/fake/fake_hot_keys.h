#pragma once

#include <map>

#include "platform/hot_keys.h"

namespace chimora::platform {

// Remembers registrations; Press triggers a registered key as the desktop would.
class FakeHotKeys : public HotKeys {
  public:
    struct Key {
        unsigned modifiers;
        char key;
    };

    bool RegisterHotKey(int id, unsigned modifiers, char key) override {
        if (refuse)
            return false;
        registered[id] = {modifiers, key};
        return true;
    }
    void UnregisterHotKey(int id) override { registered.erase(id); }

    // Presses the key registered under id; nothing happens when none is.
    void Press(int id) {
        if (registered.count(id))
            Fire(id);
    }

    bool refuse = false;
    std::map<int, Key> registered;
};

}  // namespace chimora::platform
