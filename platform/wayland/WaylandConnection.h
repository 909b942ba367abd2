#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <QObject>
#include <QSocketNotifier>

#include "core/Expected.h"
#include "platform/wayland/WaylandProxy.h"

struct wl_display;
struct wl_registry;

namespace nabbit {

// A connection of Nabbit's own to the Wayland compositor, independent of the platform Qt's
// windows use, dispatched on Qt's event loop: events are read when the socket is readable and
// requests are flushed without ever waiting for the compositor (a full socket buffer is
// flushed once it drains).
class WaylandConnection final : public QObject {
    Q_OBJECT

  public:
    // One global the compositor offers.
    struct Global {
        uint32_t name = 0;
        std::string interface;
        uint32_t version = 0;
    };

    // Connects to `socket` (a name under XDG_RUNTIME_DIR or an absolute path; empty:
    // WAYLAND_DISPLAY) and learns the globals. The only waiting is here, bounded by
    // `timeout`, while the program starts. The error says why there is no connection.
    static Expected<std::unique_ptr<WaylandConnection>, std::string> open(
        const std::string& socket, std::chrono::milliseconds timeout);

    ~WaylandConnection() override;
    WaylandConnection(const WaylandConnection&) = delete;
    WaylandConnection& operator=(const WaylandConnection&) = delete;

    wl_display* display() const { return display_; }
    const std::vector<Global>& globals() const { return globals_; }
    const Global* findGlobal(const std::string& interface) const;

    // Binds a global to a new object of `interface`, at `version` at most.
    wl_proxy* bind(const Global& global, const wl_interface* interface, uint32_t version);

    // Sends the requests made so far. Never waits.
    void flush();

    // Waits, at most `timeout`, until the compositor has answered every request made so far,
    // dispatching the events that came before. Only while the program starts.
    bool roundtrip(std::chrono::milliseconds timeout);

    // Whether the compositor has gone (hang-up or protocol error).
    bool lost() const { return lost_; }

  signals:
    // The compositor went away or closed the connection; sent once.
    void connectionLost(const QString& reason);

  private:
    explicit WaylandConnection(wl_display* display);
    void readAndDispatch();
    void fail(const char* what);

    static void onGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
                         uint32_t version);
    static void onGlobalRemove(void* data, wl_registry* registry, uint32_t name);

    wl_display* display_;
    WaylandProxy registry_;
    std::vector<Global> globals_;
    std::unique_ptr<QSocketNotifier> readNotifier_;
    std::unique_ptr<QSocketNotifier> writeNotifier_;
    bool lost_ = false;
};

}  // namespace nabbit
