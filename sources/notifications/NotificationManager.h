#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <QObject>

#include "parser/OTPParser.h"
#include "platform/NotificationMonitor.h"
#include "sources/CodeEntryList.h"
#include "sources/SourceEnvironment.h"

namespace nabbit {

// Finds codes in the desktop notifications other programs send: SMS mirrored from a phone,
// mail clients, messengers. A notification's text is its summary, a line feed and its body
// without markup; its entry's handle is the sending application and its guid
// "notification-" + a counter. Nabbit's own notifications, those of the applications the user
// lists in ignoredNotificationApps, an update of a notification that leaves its text as it
// was are not read. The same code shown twice (by two programs, or again by one) is left to the
// delivery, which copies it once while it is still on the clipboard.
// Everything runs on the thread that owns the object (the main thread).
class NotificationManager : public QObject {
    Q_OBJECT

  public:
    using ConsoleOutput = SourceEnvironment::ConsoleOutput;
    using Clock = std::chrono::steady_clock;

    enum class State { stopped, monitoring, unavailable };

    // The sender of injected test notifications.
    static constexpr const char* testApplication = "Nabbit Test";

    // Without a monitor, notifications are unavailable.
    NotificationManager(std::shared_ptr<const OTPParser> otpParser,
                        std::unique_ptr<NotificationMonitor> monitor, ConsoleOutput console = {},
                        QObject* parent = nullptr);
    ~NotificationManager() override;

    const CodeEntryList& messages() const { return messages_; }
    State state() const { return state_; }
    // Why monitoring is unavailable; empty otherwise.
    const std::string& unavailableReason() const { return unavailableReason_; }

    // Starts monitoring; a bus that refuses it is reported once to the system log.
    void start();
    void stop();
    // Stops, forgets what was read and starts again.
    void resync();
    void injectTestNotification(const std::string& text);

    // What a monitored notification becomes.
    void handleNotification(const ObservedNotification& notification);
    void handleSlotAssigned(const std::string& call, const std::string& slot);

  signals:
    void stateChanged();

  private:
    void setState(State state, std::string reason = {});
    bool isIgnored(const std::string& application) const;
    // False when the text is the one the slot showed already.
    bool updateSlot(const std::string& slot, const std::string& text);
    void publish(const std::string& application, const std::string& text);

    std::shared_ptr<const OTPParser> otpParser_;
    std::unique_ptr<NotificationMonitor> monitor_;
    SourceEnvironment environment_;
    CodeEntryList messages_;
    State state_ = State::stopped;
    std::string unavailableReason_;
    bool refusalReported_ = false;
    std::uint64_t counter_ = 0;
    // Bounded, oldest first: the text each notification slot shows, the text of each call
    // awaiting the service's slot, and the texts read in the last repeatWindow.
    std::deque<std::pair<std::string, std::string>> slotTexts_;
    std::deque<std::pair<std::string, std::string>> callTexts_;
};

}  // namespace nabbit
