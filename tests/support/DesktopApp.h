#pragma once

#include <functional>
#include <memory>
#include <utility>

#include "app/AppDelegate.h"
#include "platform/NotificationMonitor.h"
#include "platform/fake/FakeFileReveal.h"
#include "platform/freedesktop/FreedesktopNotifications.h"
#include "platform/freedesktop/FreedesktopScreenLock.h"
#include "platform/freedesktop/ProcessRelauncher.h"
#include "platform/freedesktop/XdgAutostartLoginItem.h"
#include "platform/x11/X11Clipboard.h"
#include "platform/x11/X11GlobalShortcut.h"
#include "platform/x11/X11KeySynthesis.h"
#include "platform/x11/X11PasteKeyMonitor.h"
#include "ui/WidgetViewFactory.h"

namespace nabbit::test {

// The application object on the X11 and freedesktop facilities the program uses, with the
// test's choice of accessibility check and a file reveal that records what it was asked.
template <class Accessibility>
struct DesktopApp {
    template <class... Args>
    explicit DesktopApp(Args&&... args) : accessibility(std::forward<Args>(args)...) {}

    X11Clipboard clipboard;
    X11KeySynthesis keys;
    X11PasteKeyMonitor monitor;
    X11GlobalShortcut shortcut;
    FreedesktopNotifications notifications;
    Accessibility accessibility;
    FakeFileReveal reveal;
    XdgAutostartLoginItem loginItem{"/usr/bin/nabbit"};
    ProcessRelauncher relauncher;
    WidgetViewFactory views;
    // The private session bus stands in for the system bus too: no real logind answers.
    FreedesktopScreenLock screenLock{QDBusConnection::sessionBus(), QDBusConnection::sessionBus()};
    // The notification source's watch of the bus: none unless the test sets one before launch.
    std::function<std::unique_ptr<NotificationMonitor>()> makeNotificationMonitor;
    AppDelegate app{
        {clipboard, keys, monitor, shortcut, notifications, accessibility, reveal, loginItem,
         relauncher, views, screenLock, [](const std::string&) {},
         [this] { return makeNotificationMonitor ? makeNotificationMonitor() : nullptr; }}};
};

}  // namespace nabbit::test
