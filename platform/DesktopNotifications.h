#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace nabbit {

// The application name Nabbit's own notifications carry.
inline constexpr std::string_view ownNotificationApplication = "Nabbit";

// Desktop notifications shown by the session's notification service.
class DesktopNotifications {
  public:
    // Called once the service has answered: nothing on success, else the error's text.
    using Completion = std::function<void(const std::optional<std::string>& error)>;

    virtual ~DesktopNotifications() = default;

    // Posts one notification with the default "new message" sound. Never waits for the
    // service: `done` runs later on the calling thread.
    virtual void send(const std::string& summary, const std::string& body, Completion done) = 0;
};

}  // namespace nabbit
