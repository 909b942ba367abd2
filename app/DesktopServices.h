#pragma once

#include <functional>
#include <memory>
#include <string>

namespace nabbit {

class AccessibilityCheck;
class Clipboard;
class DesktopNotifications;
class FileReveal;
class GlobalShortcut;
class KeySynthesis;
class LoginItem;
class NotificationMonitor;
class PasteKeyMonitor;
class Relauncher;
class ScreenLock;
class ViewFactory;

// Everything the application object gets from the desktop it runs on: the platform's
// facilities and the user-interface layer's views. The program's entry point builds the real
// ones; they outlive the application object.
struct DesktopServices {
    Clipboard& clipboard;
    KeySynthesis& keySynthesis;
    PasteKeyMonitor& pasteKeyMonitor;
    GlobalShortcut& globalShortcut;
    DesktopNotifications& notifications;
    const AccessibilityCheck& accessibility;
    FileReveal& fileReveal;
    LoginItem& loginItem;
    Relauncher& relauncher;
    const ViewFactory& views;
    const ScreenLock& screenLock;
    // Where lines for the user go (when empty, standard output if it is a terminal: they may
    // hold codes and message texts).
    std::function<void(const std::string& line)> console;
    // A new watch of the desktop's notifications for each notification source; empty where
    // none can be had (the source then reports notifications unavailable).
    std::function<std::unique_ptr<NotificationMonitor>()> makeNotificationMonitor;
};

}  // namespace nabbit
