#include "sources/notifications/NotificationManager.h"

#include <algorithm>

#include "core/AppStateManager.h"
#include "core/DebugLogger.h"
#include "core/SystemLog.h"
#include "parser/UnicodeText.h"
#include "platform/DesktopNotifications.h"
#include "sources/CodeSearch.h"
#include "sources/Whitespace.h"
#include "sources/notifications/NotificationText.h"

namespace nabbit {

namespace {

constexpr std::string_view kCategory = "NOTIFICATION";
// Enough for every notification on a desktop at once; older slots are forgotten first.
constexpr std::size_t kSlotLimit = 256;

void log(std::string_view message, LogDetails details = {}) {
    DebugLogger::shared().log(message, kCategory, std::move(details));
}

// Application names compare as the user sees them: trimmed, in any letter case.
std::string comparable(const std::string& name) {
    return toUtf8(lowerCased(fromUtf8(trimWhitespaceAndNewlines(name))));
}

template <class Pairs>
void remember(Pairs& pairs, const std::string& key, std::string value) {
    const auto found = std::find_if(pairs.begin(), pairs.end(),
                                    [&](const auto& pair) { return pair.first == key; });
    if (found != pairs.end()) {
        pairs.erase(found);
    }
    pairs.emplace_back(key, std::move(value));
    if (pairs.size() > kSlotLimit) {
        pairs.pop_front();
    }
}

}  // namespace

NotificationManager::NotificationManager(std::shared_ptr<const OTPParser> otpParser,
                                         std::unique_ptr<NotificationMonitor> monitor,
                                         ConsoleOutput console, QObject* parent)
    : QObject(parent),
      otpParser_(std::move(otpParser)),
      monitor_(std::move(monitor)),
      environment_({}, std::move(console)) {}

NotificationManager::~NotificationManager() {
    if (monitor_) {
        monitor_->stop();
    }
}

void NotificationManager::start() {
    if (state_ == State::monitoring) {
        return;
    }
    if (!monitor_) {
        setState(State::unavailable, "no notification monitor on this desktop");
        return;
    }
    NotificationMonitor::Observer observer;
    observer.notified = [this](const ObservedNotification& notification) {
        handleNotification(notification);
    };
    observer.slotAssigned = [this](const std::string& call, const std::string& slot) {
        handleSlotAssigned(call, slot);
    };
    observer.lost = [this](const std::string& reason) {
        systemLog("[Nabbit] Desktop notifications are no longer read: " + reason);
        setState(State::unavailable, reason);
    };
    observer.resumed = [this] {
        systemLog("[Nabbit] Desktop notifications are read again");
        setState(State::monitoring);
    };
    if (auto refused = monitor_->start(std::move(observer))) {
        if (!refusalReported_) {
            refusalReported_ = true;
            // No session bus, or one whose policy forbids monitoring.
            systemLog("[Nabbit] Desktop notifications cannot be read (" + *refused +
                      "). Messages and Mail are still read.");
        }
        setState(State::unavailable, *refused);
        return;
    }
    log("Notification monitoring started");
    setState(State::monitoring);
}

void NotificationManager::stop() {
    if (monitor_) {
        monitor_->stop();
    }
    setState(State::stopped);
}

void NotificationManager::resync() {
    stop();
    messages_.clear();
    slotTexts_.clear();
    callTexts_.clear();
    start();
}

void NotificationManager::setState(State state, std::string reason) {
    const bool changed = state != state_ || reason != unavailableReason_;
    state_ = state;
    unavailableReason_ = std::move(reason);
    if (changed) {
        emit stateChanged();
    }
}

void NotificationManager::injectTestNotification(const std::string& text) {
    auto otp = otpParser_->parse(text);
    if (!otp) {
        environment_.print("Failed to parse test notification: " + text);
        return;
    }
    const auto row = static_cast<std::int64_t>(++counter_);
    messages_.append({CodeEntry{
        Message{row, "notification-" + std::to_string(row), text, testApplication, {}, false},
        std::move(*otp)}});
}

void NotificationManager::handleNotification(const ObservedNotification& notification) {
    // Never our own: a copied code would be announced, read and copied again.
    if (notification.application == ownNotificationApplication) {
        return;
    }
    if (isIgnored(notification.application)) {
        log("Notification from an ignored application skipped",
            {{"app", notification.application}});
        return;
    }
    const std::string text =
        notificationText(notification.summary, notification.body, notification.bodyIsMarkup);
    if (!notification.call.empty()) {
        remember(callTexts_, notification.call, text);
    }
    if (!notification.slot.empty() && !updateSlot(notification.slot, text)) {
        log("Notification update with an unchanged text skipped",
            {{"app", notification.application}});
        return;
    }
    publish(notification.application, text);
}

void NotificationManager::handleSlotAssigned(const std::string& call, const std::string& slot) {
    const auto found = std::find_if(callTexts_.begin(), callTexts_.end(),
                                    [&](const auto& pair) { return pair.first == call; });
    if (found == callTexts_.end()) {
        return;
    }
    remember(slotTexts_, slot, found->second);
    callTexts_.erase(found);
}

bool NotificationManager::isIgnored(const std::string& application) const {
    const auto ignored = AppStateManager::shared().ignoredNotificationApps();
    if (ignored.empty()) {
        return false;
    }
    const std::string name = comparable(application);
    return std::any_of(ignored.begin(), ignored.end(),
                       [&](const std::string& each) { return comparable(each) == name; });
}

bool NotificationManager::updateSlot(const std::string& slot, const std::string& text) {
    const auto found = std::find_if(slotTexts_.begin(), slotTexts_.end(),
                                    [&](const auto& pair) { return pair.first == slot; });
    const bool unchanged = found != slotTexts_.end() && found->second == text;
    remember(slotTexts_, slot, text);
    return !unchanged;
}

void NotificationManager::publish(const std::string& application, const std::string& text) {
    if (!isLongEnoughToParse(text)) {
        return;
    }
    auto otp = otpParser_->parse(text);
    log(otp ? "Code found in notification" : "No code in notification",
        {{"app", application}, {"text", text}});
    if (!otp) {
        return;
    }
    const auto row = static_cast<std::int64_t>(++counter_);
    messages_.append({CodeEntry{
        Message{row, "notification-" + std::to_string(row), text, application, {}, false},
        std::move(*otp)}});
}

}  // namespace nabbit
