#pragma once

#include <QDBusConnection>

#include "platform/GlobalShortcut.h"

namespace nabbit {

// Ctrl+Shift+E through KDE's global shortcut service (org.kde.kglobalaccel on the session bus),
// as component "nabbit", action "resync". The desktop owns the key there: it works while any
// window has the focus, Wayland-native ones included, and the user can rebind it in the
// desktop's shortcut settings. Switching the shortcut off unregisters the action; quitting
// only marks it inactive, so that a rebinding survives the next start.
class KGlobalAccelShortcut final : public GlobalShortcut {
  public:
    explicit KGlobalAccelShortcut(QDBusConnection bus = QDBusConnection::sessionBus());

    // Whether the desktop runs the service now (Plasma does, on X11 and on Wayland).
    static bool available(const QDBusConnection& bus = QDBusConnection::sessionBus());

    std::unique_ptr<Registration> registerHotKey() override;
    std::unique_ptr<Registration> installHandler(std::function<void()> onPressed) override;

  private:
    QDBusConnection bus_;
};

}  // namespace nabbit
