#include "platform/linux/x11_hot_keys.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QGuiApplication>
#include <cctype>
#include <cstdlib>

// After the Qt headers: Xlib defines macros that clash with Qt's names.
#include <X11/Xlib.h>
#include <xcb/xcb.h>

namespace chimora::platform {

namespace {

// Lock states that must not stop a hot key: CapsLock and NumLock (Mod2 on common setups).
constexpr std::uint16_t kIgnoredLocks[] = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2,
                                           XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};
constexpr std::uint16_t kLockMask = XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2;

std::uint16_t X11Modifiers(unsigned modifiers) {
    std::uint16_t mask = 0;
    if (modifiers & HotKeys::kModControl)
        mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & HotKeys::kModAlt)
        mask |= XCB_MOD_MASK_1;
    return mask;
}

}  // namespace

X11HotKeys::X11HotKeys() {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app || QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    const auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection() || !x11->display())
        return;
    connection_ = x11->connection();
    display_ = x11->display();
    root_ = static_cast<std::uint32_t>(DefaultRootWindow(display_));
    app->installNativeEventFilter(this);
}

X11HotKeys::~X11HotKeys() {
    if (!connection_)
        return;
    for (const auto& [id, grab] : grabs_)
        UngrabAllVariants(grab);
    xcb_flush(connection_);
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool X11HotKeys::RegisterHotKey(int id, unsigned modifiers, char key) {
    if (!connection_)
        return false;
    UnregisterHotKey(id);
    const KeySym symbol = static_cast<KeySym>(std::tolower(static_cast<unsigned char>(key)));
    const KeyCode keycode = XKeysymToKeycode(display_, symbol);
    if (keycode == 0)
        return false;
    const Grab grab{static_cast<std::uint8_t>(keycode), X11Modifiers(modifiers)};
    if (!GrabAllVariants(grab))
        return false;
    grabs_[id] = grab;
    return true;
}

void X11HotKeys::UnregisterHotKey(int id) {
    const auto found = grabs_.find(id);
    if (found == grabs_.end())
        return;
    UngrabAllVariants(found->second);
    xcb_flush(connection_);
    grabs_.erase(found);
}

bool X11HotKeys::GrabAllVariants(const Grab& grab) {
    bool grabbedPlain = false;
    for (const std::uint16_t locks : kIgnoredLocks) {
        const xcb_void_cookie_t cookie =
            xcb_grab_key_checked(connection_, 1, root_, grab.modifiers | locks, grab.keycode,
                                 XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        xcb_generic_error_t* error = xcb_request_check(connection_, cookie);
        if (locks == 0)
            grabbedPlain = error == nullptr;
        std::free(error);
        if (!grabbedPlain) {
            // Another program holds the key: it is not ours.
            UngrabAllVariants(grab);
            return false;
        }
    }
    return true;
}

void X11HotKeys::UngrabAllVariants(const Grab& grab) {
    for (const std::uint16_t locks : kIgnoredLocks)
        xcb_ungrab_key(connection_, grab.keycode, root_, grab.modifiers | locks);
}

bool X11HotKeys::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t" || !message)
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_KEY_PRESS)
        return false;
    const auto* press = static_cast<const xcb_key_press_event_t*>(message);
    const std::uint16_t state = press->state & ~kLockMask;
    for (const auto& [id, grab] : grabs_) {
        if (press->detail == grab.keycode &&
            (state & (XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_SHIFT |
                      XCB_MOD_MASK_4)) == grab.modifiers) {
            Fire(id);
            return true;
        }
    }
    return false;
}

}  // namespace chimora::platform
