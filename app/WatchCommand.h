#pragma once

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sources/CodeEntry.h"

namespace nabbit {

class NotificationMonitor;

// `nabbit watch`: runs the message sources headless, exactly as the application starts them,
// and prints each new code entry as one JSON line on standard output as it is published. Runs
// until SIGINT or SIGTERM, then exits 0. Everything else (diagnostics, system log lines) goes
// to standard error, so that standard output carries nothing but entries; the debug log's echo
// and the lines of each permission check only with --verbose.
class WatchCommand {
  public:
    using MonitorFactory = std::function<std::unique_ptr<NotificationMonitor>()>;

    // Desktop notifications are watched through what `makeNotificationMonitor` makes; without
    // it they are unavailable.
    explicit WatchCommand(MonitorFactory makeNotificationMonitor = {})
        : makeNotificationMonitor_(std::move(makeNotificationMonitor)) {}

    int run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) const;

    static std::string_view usage();

    // One entry as its JSON line (without the line feed).
    static std::string jsonLine(std::string_view source, const CodeEntry& entry);

  private:
    MonitorFactory makeNotificationMonitor_;
};

}  // namespace nabbit
