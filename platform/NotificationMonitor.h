#pragma once

#include <functional>
#include <optional>
#include <string>

namespace nabbit {

// One notification another program sent to the desktop, as seen on its way to the
// notification service.
struct ObservedNotification {
    enum class Interface { freedesktop, gtk, portal };

    Interface via = Interface::freedesktop;
    // The sending program: its application name (freedesktop) or application id (gtk, and the
    // portal where the bus can tell it); never empty.
    std::string application;
    std::string summary;
    std::string body;
    // The body is notification markup (freedesktop bodies), not plain text.
    bool bodyIsMarkup = false;
    // Names the notification slot this one fills: the same slot again is an update of the same
    // notification. Empty for a new freedesktop notification (the service assigns its slot in
    // its answer, see `call`).
    std::string slot;
    // A freedesktop call awaiting the service's answer: the answer binds the slot it names to
    // this notification. Empty otherwise.
    std::string call;
};

// Watches the desktop notifications sent on the session bus, reading only: it never answers,
// changes or delays one. Everything happens on the thread that started it.
class NotificationMonitor {
  public:
    struct Observer {
        std::function<void(const ObservedNotification&)> notified;
        // The notification service answered `call` with the slot of the notification it made.
        std::function<void(const std::string& call, const std::string& slot)> slotAssigned;
        // The connection to the bus ended after monitoring had begun.
        std::function<void(const std::string& reason)> lost;
        // Monitoring began again after a loss, the monitor having connected again by itself.
        std::function<void()> resumed;
    };

    virtual ~NotificationMonitor() = default;

    // Starts watching; nothing when that works, else why the bus refused.
    virtual std::optional<std::string> start(Observer observer) = 0;
    virtual void stop() = 0;
};

}  // namespace nabbit
