#include "platform/x11/X11PasteKeyMonitor.h"

#include <set>

#include <QSocketNotifier>

#include "platform/x11/XDisplay.h"

#include <X11/extensions/XInput2.h>
#include <X11/keysym.h>

namespace nabbit {

namespace {

// One connection selecting raw key presses and releases of the master keyboards. Raw events
// carry no modifier state, so the Control keys held down are tracked here.
class RawKeyWatch final : public Registration {
  public:
    RawKeyWatch(XDisplay display, int xiOpcode, std::function<void()> onPaste)
        : display_(std::move(display)),
          xiOpcode_(xiOpcode),
          onPaste_(std::move(onPaste)),
          notifier_(ConnectionNumber(display_.get()), QSocketNotifier::Read) {
        readKeymap();
        QObject::connect(&notifier_, &QSocketNotifier::activated, [this] { drain(); });
        drain();
    }

  private:
    void readKeymap() {
        v_ = XKeysymToKeycode(display_.get(), XK_v);
        controls_ = {XKeysymToKeycode(display_.get(), XK_Control_L),
                     XKeysymToKeycode(display_.get(), XK_Control_R)};
    }

    void drain() {
        while (XPending(display_.get()) > 0) {
            XEvent event;
            XNextEvent(display_.get(), &event);
            if (event.type == MappingNotify) {
                XRefreshKeyboardMapping(&event.xmapping);
                readKeymap();
                continue;
            }
            XGenericEventCookie* cookie = &event.xcookie;
            if (cookie->type != GenericEvent || cookie->extension != xiOpcode_ ||
                XGetEventData(display_.get(), cookie) == 0) {
                continue;
            }
            const auto* raw = static_cast<const XIRawEvent*>(cookie->data);
            const int key = raw->detail;
            const bool repeat = (raw->flags & XIKeyRepeat) != 0;
            const int type = cookie->evtype;
            XFreeEventData(display_.get(), cookie);
            handleKey(type, key, repeat);
        }
    }

    void handleKey(int type, int key, bool repeat) {
        const bool control = controls_.contains(key);
        if (type == XI_RawKeyRelease) {
            if (control) {
                controlsDown_.erase(key);
            }
            return;
        }
        if (control) {
            controlsDown_.insert(key);
        } else if (key == v_ && !repeat && !controlsDown_.empty()) {
            onPaste_();
        }
    }

    XDisplay display_;
    int xiOpcode_;
    std::function<void()> onPaste_;
    QSocketNotifier notifier_;
    int v_ = 0;
    std::set<int> controls_;
    std::set<int> controlsDown_;
};

}  // namespace

std::unique_ptr<Registration> X11PasteKeyMonitor::watchPasteKeys(std::function<void()> onPaste) {
    XDisplay display = openXDisplay();
    if (!display) {
        return nullptr;
    }
    int xiOpcode = 0;
    int eventBase = 0;
    int errorBase = 0;
    if (XQueryExtension(display.get(), "XInputExtension", &xiOpcode, &eventBase, &errorBase) == 0) {
        return nullptr;
    }
    int major = 2;
    int minor = 0;
    if (XIQueryVersion(display.get(), &major, &minor) != Success) {
        return nullptr;
    }
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawKeyPress);
    XISetMask(bits, XI_RawKeyRelease);
    XIEventMask mask{XIAllMasterDevices, static_cast<int>(sizeof bits), bits};
    XISelectEvents(display.get(), DefaultRootWindow(display.get()), &mask, 1);
    XSync(display.get(), False);
    return std::make_unique<RawKeyWatch>(std::move(display), xiOpcode, std::move(onPaste));
}

bool X11PasteKeyMonitor::seesEveryWindow() const {
    return qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

}  // namespace nabbit
