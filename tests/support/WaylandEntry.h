#pragma once

#include <QByteArray>
#include <QProcess>

#include "WaylandSession.h"

namespace nabbit::test {

// A Wayland-native window with a text field (wayland_entry.py), run as the session's user: a
// paste target that is not Nabbit. Its log says "ready", "active 1/0" and "text: …".
class WaylandEntry {
  public:
    WaylandEntry() = default;
    ~WaylandEntry();
    WaylandEntry(const WaylandEntry&) = delete;
    WaylandEntry& operator=(const WaylandEntry&) = delete;

    // Opens the window and waits until it has the focus (sway is asked to give it).
    bool openFocused(WaylandSession& session, Compositor compositor);
    // Whether its log holds `line` by now.
    bool says(const QByteArray& line);
    const QByteArray& log() const { return log_; }

  private:
    QProcess* process_ = nullptr;  // owned by the session
    QByteArray log_;
};

}  // namespace nabbit::test
