#pragma once

#include <QAbstractNativeEventFilter>
#include <cstdint>
#include <map>

#include "platform/hot_keys.h"

struct xcb_connection_t;
struct _XDisplay;

namespace chimora::platform {

// Hot keys on X11: a passive grab of the key on the root window (once for each state of
// NumLock and CapsLock, so that the key works whatever they are), and a native event filter
// that turns the grabbed key presses into the handler's calls. Where the program does not
// run on X11 (Wayland, offscreen) nothing is grabbed and registration reports failure.
class X11HotKeys : public HotKeys, private QAbstractNativeEventFilter {
  public:
    // Needs the QGuiApplication to exist already.
    X11HotKeys();
    ~X11HotKeys() override;
    X11HotKeys(const X11HotKeys&) = delete;
    X11HotKeys& operator=(const X11HotKeys&) = delete;

    bool RegisterHotKey(int id, unsigned modifiers, char key) override;
    void UnregisterHotKey(int id) override;

    // Whether keys can be grabbed at all on this desktop.
    bool Available() const { return connection_ != nullptr; }

  private:
    struct Grab {
        std::uint8_t keycode;
        std::uint16_t modifiers;
    };

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    bool GrabAllVariants(const Grab& grab);
    void UngrabAllVariants(const Grab& grab);

    xcb_connection_t* connection_ = nullptr;
    _XDisplay* display_ = nullptr;
    std::uint32_t root_ = 0;
    std::map<int, Grab> grabs_;
};

}  // namespace chimora::platform
