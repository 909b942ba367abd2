#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include <QRect>

struct _XDisplay;

namespace nabbit::test {

// A second X client, as another application on the desktop would be: it types keys (XTEST),
// holds key grabs and looks at the windows on the screen, through a connection of its own.
class X11TestClient {
  public:
    struct Window {
        QRect geometry;  // on the screen
        bool overrideRedirect = false;
    };

    X11TestClient();
    ~X11TestClient();
    X11TestClient(const X11TestClient&) = delete;
    X11TestClient& operator=(const X11TestClient&) = delete;

    bool connected() const { return display_ != nullptr; }

    // Presses the keys (X keysyms) in order, then releases them in reverse order.
    void pressKeys(std::initializer_list<unsigned long> keysyms);

    // Moves the pointer to (x, y) on the screen and clicks `button` (1 left, 3 right).
    void click(int x, int y, unsigned int button = 1);

    // Grabs or releases a key on the root window, as another program taking a global shortcut
    // does. Returns whether the server granted the grab.
    bool grabKey(unsigned long keysym, unsigned int modifiers);
    void ungrabKey(unsigned long keysym, unsigned int modifiers);

    // Every viewable window with this name: only the children of the root window when
    // `topLevel`, else however deep (an icon embedded in a tray is a child of the tray's window).
    std::vector<Window> findWindows(const std::string& name, bool topLevel = false);
    // Where the tray host (its window is named "panel") shows the icon of the window named
    // `name`; empty when it shows none.
    QRect trayIcon(const std::string& name);
    // The window that has the keyboard focus, as the server reports it.
    unsigned long inputFocus();

  private:
    _XDisplay* display_ = nullptr;
};

// The CLIPBOARD selection converted to `target` by xclip, another X client; runs the event
// loop meanwhile, so that a selection this process owns is served.
std::string readClipboard(const std::string& target = "UTF8_STRING");
// Whether the clipboard's text becomes `text` within `timeoutMs`.
bool clipboardHolds(const std::string& text, int timeoutMs = 2000);
// Takes the CLIPBOARD selection with xclip and leaves it there, as a user copying text in
// another program does.
void writeClipboardElsewhere(const std::string& text);

}  // namespace nabbit::test
