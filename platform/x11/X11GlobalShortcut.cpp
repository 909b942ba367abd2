#include "platform/x11/X11GlobalShortcut.h"

#include <array>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QGuiApplication>

#include <xcb/xcb.h>

#include "core/SystemLog.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace nabbit {

namespace {

constexpr std::uint16_t kModifiers = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT;
// Modifiers that say nothing about the combination pressed: the lock keys and those without a
// fixed meaning. A press matches when the others are exactly Control and Shift.
constexpr std::uint16_t kRelevantModifiers =
    XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;

struct XConnection {
    xcb_connection_t* connection;
    Display* display;
    xcb_window_t root;
};

std::optional<XConnection> qtConnection() {
    auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (application == nullptr) {
        return std::nullopt;
    }
    auto* x11 = application->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr || x11->display() == nullptr) {
        return std::nullopt;
    }
    xcb_connection_t* connection = x11->connection();
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (screen == nullptr) {
        return std::nullopt;
    }
    return XConnection{connection, x11->display(), screen->root};
}

xcb_keycode_t keycodeOfE(Display* display) {
    return XKeysymToKeycode(display, XK_e);
}

// The modifier bit NumLock sets in the current keymap (0 when it has none).
std::uint16_t numLockMask(Display* display) {
    const KeyCode numLock = XKeysymToKeycode(display, XK_Num_Lock);
    XModifierKeymap* map = XGetModifierMapping(display);
    if (map == nullptr) {
        return 0;
    }
    std::uint16_t mask = 0;
    for (int modifier = 0; modifier < 8 && numLock != 0; ++modifier) {
        for (int i = 0; i < map->max_keypermod; ++i) {
            if (map->modifiermap[modifier * map->max_keypermod + i] == numLock) {
                mask = static_cast<std::uint16_t>(1U << modifier);
            }
        }
    }
    XFreeModifiermap(map);
    return mask;
}

class KeyGrab final : public Registration {
  public:
    KeyGrab(const KeyGrab&) = delete;
    KeyGrab& operator=(const KeyGrab&) = delete;
    KeyGrab(xcb_connection_t* connection, xcb_window_t root, xcb_keycode_t key,
            std::vector<std::uint16_t> modifiers)
        : connection_(connection), root_(root), key_(key), modifiers_(std::move(modifiers)) {}

    ~KeyGrab() override {
        for (const auto modifiers : modifiers_) {
            xcb_ungrab_key(connection_, key_, root_, modifiers);
        }
        xcb_flush(connection_);
    }

  private:
    xcb_connection_t* connection_;
    xcb_window_t root_;
    xcb_keycode_t key_;
    std::vector<std::uint16_t> modifiers_;
};

class KeyPressFilter final : public Registration, public QAbstractNativeEventFilter {
  public:
    KeyPressFilter(const KeyPressFilter&) = delete;
    KeyPressFilter& operator=(const KeyPressFilter&) = delete;
    KeyPressFilter(xcb_keycode_t key, std::function<void()> onPressed)
        : key_(key), onPressed_(std::move(onPressed)) {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~KeyPressFilter() override {
        if (QCoreApplication::instance() != nullptr) {
            QCoreApplication::instance()->removeNativeEventFilter(this);
        }
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (eventType != "xcb_generic_event_t") {
            return false;
        }
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != XCB_KEY_PRESS) {
            return false;
        }
        const auto* press = static_cast<const xcb_key_press_event_t*>(message);
        if (press->detail != key_ || (press->state & kRelevantModifiers) != kModifiers) {
            return false;
        }
        onPressed_();
        return true;
    }

  private:
    xcb_keycode_t key_;
    std::function<void()> onPressed_;
};

}  // namespace

std::unique_ptr<Registration> X11GlobalShortcut::registerHotKey() {
    const auto x = qtConnection();
    if (!x) {
        systemLog("[Nabbit] Global shortcut Ctrl+Shift+E not registered: no X11 display");
        return nullptr;
    }
    const xcb_keycode_t key = keycodeOfE(x->display);
    if (key == 0) {
        systemLog("[Nabbit] Global shortcut Ctrl+Shift+E not registered: no E key in the keymap");
        return nullptr;
    }
    const std::uint16_t numLock = numLockMask(x->display);
    std::vector<std::uint16_t> variants{kModifiers,
                                        static_cast<std::uint16_t>(kModifiers | XCB_MOD_MASK_LOCK)};
    if (numLock != 0) {
        variants.push_back(static_cast<std::uint16_t>(kModifiers | numLock));
        variants.push_back(static_cast<std::uint16_t>(kModifiers | numLock | XCB_MOD_MASK_LOCK));
    }
    std::vector<xcb_void_cookie_t> cookies;
    for (const auto modifiers : variants) {
        cookies.push_back(xcb_grab_key_checked(x->connection, 1, x->root, modifiers, key,
                                               XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    }
    // A combination another client grabbed first fails with BadAccess.
    std::vector<std::uint16_t> grabbed;
    for (std::size_t i = 0; i < cookies.size(); ++i) {
        if (xcb_generic_error_t* error = xcb_request_check(x->connection, cookies[i])) {
            std::free(error);
        } else {
            grabbed.push_back(variants[i]);
        }
    }
    const bool complete = grabbed.size() == variants.size();
    auto grab = std::make_unique<KeyGrab>(x->connection, x->root, key, std::move(grabbed));
    if (!complete) {
        // Dropping `grab` lets go of the variants that were taken on the way.
        systemLog(
            "[Nabbit] Global shortcut Ctrl+Shift+E not registered: another program already uses "
            "it. Switch Nabbit's keyboard shortcut off, or free the combination in that program.");
        return nullptr;
    }
    return grab;
}

std::unique_ptr<Registration> X11GlobalShortcut::installHandler(std::function<void()> onPressed) {
    const auto x = qtConnection();
    if (!x) {
        return nullptr;
    }
    return std::make_unique<KeyPressFilter>(keycodeOfE(x->display), std::move(onPressed));
}

bool X11GlobalShortcut::reachesEveryWindow() const {
    return qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

}  // namespace nabbit
