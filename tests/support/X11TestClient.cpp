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

std::vector<X11TestClient::Window> X11TestClient::topLevelWindows() {
    std::vector<Window> windows;
    ::Window root = 0;
    ::Window parent = 0;
    ::Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &count) == 0) {
        return windows;
    }
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display_, children[i], &attributes) == 0) {
            continue;
        }
        Window window;
        window.id = children[i];
        window.geometry = QRect(attributes.x, attributes.y, attributes.width, attributes.height);
        window.overrideRedirect = attributes.override_redirect != 0;
        window.viewable = attributes.map_state == IsViewable;
        char* name = nullptr;
        if (XFetchName(display_, children[i], &name) != 0 && name != nullptr) {
            window.name = name;
            XFree(name);
        }
        windows.push_back(window);
    }
    if (children != nullptr) {
        XFree(children);
    }
    return windows;
}

std::vector<X11TestClient::Window> X11TestClient::viewableWindowsNamed(const std::string& name) {
    std::vector<Window> found;
    for (const auto& window : topLevelWindows()) {
        if (window.viewable && window.name == name) {
            found.push_back(window);
        }
    }
    return found;
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
