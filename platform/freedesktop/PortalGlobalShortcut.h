#pragma once

#include <memory>

#include <QDBusConnection>
#include <QString>

#include "platform/GlobalShortcut.h"

namespace nabbit {

// Ctrl+Shift+E through the desktop portal's GlobalShortcuts interface (GNOME 48 and later,
// Hyprland): a session, the "resync" shortcut bound once (the desktop may ask the user for the
// keys then, and keeps the binding for later sessions), and its Activated signal followed.
// Everything is asynchronous: a refusal shows in the log.
class PortalGlobalShortcut final : public GlobalShortcut {
  public:
    explicit PortalGlobalShortcut(QDBusConnection bus = QDBusConnection::sessionBus());

    // Whether the session's portal offers the interface (asks it, starting it if needed).
    static bool available(const QDBusConnection& bus = QDBusConnection::sessionBus());

    std::unique_ptr<Registration> registerHotKey() override;
    std::unique_ptr<Registration> installHandler(std::function<void()> onPressed) override;
    // Once the desktop bound the shortcut (or kept an earlier binding).
    bool reachesEveryWindow() const override { return *bound_; }

  private:
    QDBusConnection bus_;
    // The open session's handle, shared with the registrations: presses of other sessions are
    // not ours.
    std::shared_ptr<QString> session_;
    std::shared_ptr<bool> bound_;
};

}  // namespace nabbit
