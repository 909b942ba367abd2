#include "X11TestClient.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTest>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace nabbit::test {

namespace {

int grabError = 0;

int recordError(Display*, XErrorEvent* event) {
    grabError = event->error_code;
    return 0;
}

}  // namespace

X11TestClient::X11TestClient() : display_(XOpenDisplay(nullptr)) {}

X11TestClient::~X11TestClient() {
    if (display_ != nullptr) {
        XCloseDisplay(display_);
    }
}

void X11TestClient::pressKeys(std::initializer_list<unsigned long> keysyms) {
    std::vector<KeyCode> codes;
    for (const auto keysym : keysyms) {
        codes.push_back(XKeysymToKeycode(display_, keysym));
    }
    for (const auto code : codes) {
        XTestFakeKeyEvent(display_, code, True, CurrentTime);
    }
    for (auto code = codes.rbegin(); code != codes.rend(); ++code) {
        XTestFakeKeyEvent(display_, *code, False, CurrentTime);
    }
    XSync(display_, False);
}

void X11TestClient::click(int x, int y, unsigned int button) {
    XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
    XTestFakeButtonEvent(display_, button, True, CurrentTime);
    XTestFakeButtonEvent(display_, button, False, CurrentTime);
    XSync(display_, False);
}

bool X11TestClient::grabKey(unsigned long keysym, unsigned int modifiers) {
    grabError = 0;
    auto* previous = XSetErrorHandler(recordError);
    XGrabKey(display_, XKeysymToKeycode(display_, keysym), modifiers, DefaultRootWindow(display_),
             True, GrabModeAsync, GrabModeAsync);
    XSync(display_, False);
    XSetErrorHandler(previous);
    return grabError == 0;
}

void X11TestClient::ungrabKey(unsigned long keysym, unsigned int modifiers) {
    XUngrabKey(display_, XKeysymToKeycode(display_, keysym), modifiers,
               DefaultRootWindow(display_));
    XSync(display_, False);
}

namespace {

// WM_NAME, or _NET_WM_NAME where only that one is set (Qt's tray icon window).
std::string windowName(Display* display, ::Window window) {
    std::string name;
    char* legacy = nullptr;
    if (XFetchName(display, window, &legacy) != 0 && legacy != nullptr) {
        name = legacy;
        XFree(legacy);
    }
    if (!name.empty()) {
        return name;
    }
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), 0, 1024,
                           False, XInternAtom(display, "UTF8_STRING", False), &type, &format,
                           &count, &remaining, &data) == Success &&
        data != nullptr) {
        name.assign(reinterpret_cast<const char*>(data), count);
        XFree(data);
    }
    return name;
}

void collect(Display* display, ::Window window, const std::string& name, bool deep,
             std::vector<X11TestClient::Window>& found) {
    ::Window root = 0;
    ::Window parent = 0;
    ::Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, window, &root, &parent, &children, &count) == 0) {
        return;
    }
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, children[i], &attributes) != 0 &&
            attributes.map_state == IsViewable) {
            if (windowName(display, children[i]) == name) {
                int x = 0;
                int y = 0;
                ::Window child = 0;
                XTranslateCoordinates(display, children[i], root, 0, 0, &x, &y, &child);
                found.push_back({QRect(x, y, attributes.width, attributes.height),
                                 attributes.override_redirect != 0});
            }
        }
        if (deep) {
            collect(display, children[i], name, true, found);
        }
    }
    if (children != nullptr) {
        XFree(children);
    }
}

}  // namespace

std::vector<X11TestClient::Window> X11TestClient::findWindows(const std::string& name,
                                                              bool topLevel) {
    std::vector<Window> found;
    collect(display_, DefaultRootWindow(display_), name, !topLevel, found);
    return found;
}

QRect X11TestClient::trayIcon(const std::string& name) {
    const auto panels = findWindows("panel");
    for (const auto& window : findWindows(name)) {
        if (!panels.empty() && window.geometry.width() > 1 &&
            panels.front().geometry.contains(window.geometry)) {
            return window.geometry;
        }
    }
    return {};
}

unsigned long X11TestClient::inputFocus() {
    ::Window focus = 0;
    int revert = 0;
    XGetInputFocus(display_, &focus, &revert);
    return focus;
}

std::string readClipboard(const std::string& target) {
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"),
                {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-o"),
                 QStringLiteral("-t"), QString::fromStdString(target)});
    (void)QTest::qWaitFor([&] { return xclip.state() == QProcess::NotRunning; }, 10'000);
    return xclip.readAllStandardOutput().toStdString();
}

bool clipboardHolds(const std::string& text, int timeoutMs) {
    return QTest::qWaitFor([&] { return readClipboard() == text; }, timeoutMs);
}

void writeClipboardElsewhere(const std::string& text) {
    // xclip stays in the background serving the selection until another client takes it.
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"),
                {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-i")});
    xclip.write(QByteArray::fromStdString(text));
    xclip.closeWriteChannel();
    (void)QTest::qWaitFor([&] { return xclip.state() == QProcess::NotRunning; }, 10'000);
    QTest::qWait(100);
}

}  // namespace nabbit::test
