#include "app/CodeDelivery.h"

#include <QTimer>
#include <QUuid>

#include "app/PermissionsService.h"
#include "app/ViewFactory.h"
#include "core/AppStateManager.h"
#include "core/DebugLogger.h"
#include "core/TerminalConsole.h"
#include "platform/Clipboard.h"
#include "platform/DesktopNotifications.h"
#include "platform/KeySynthesis.h"
#include "platform/PasteKeyMonitor.h"
#include "platform/ScreenLock.h"
#include "sources/imessage/MessageManager.h"
#include "sources/mail/EmailManager.h"
#include "sources/notifications/NotificationManager.h"

namespace nabbit {

namespace {

constexpr std::chrono::milliseconds kPasteDelay{100};
constexpr int kPasteKeyRestoreSeconds = 5;
constexpr int kRecentCount = 3;

bool startsWith(const std::string& text, std::string_view prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

CodeDelivery::CodeDelivery(DeliveryPlatform platform, QObject* parent)
    : QObject(parent), platform_(std::move(platform)), restore_(platform_.clipboard) {
    connect(&restore_, &ClipboardRestore::restored, this, [this] {
        const auto& preferences = AppStateManager::shared();
        if (!preferences.useNativeNotifications() && preferences.showNotificationOverlay() &&
            !platform_.screenLock.isLocked()) {
            // The earlier overlay, if any, is left to close on its own.
            overlayWindow_ = new OverlayWindow(QStringLiteral("Clipboard Restored"), std::nullopt,
                                               platform_.views, false);
        }
    });
}

CodeDelivery::~CodeDelivery() {
    if (overlayWindow_) {
        overlayWindow_->close();
    }
}

void CodeDelivery::subscribeToMessageManager(MessageManager& manager) {
    messageManager_ = &manager;
    cancellable_.push_back(manager.messages().subscribe(
        this, [this](const CodeEntries& entries) { handleMessagesUpdate(entries); }));
    manager.initializeLastProcessedRowId();
    manager.syncMessages();
    manager.startWALMonitoring();
}

void CodeDelivery::subscribeToEmailManager(EmailManager& manager) {
    cancellable_.push_back(manager.messages().subscribe(
        this, [this](const CodeEntries& entries) { handleMessagesUpdate(entries); }));
    manager.start();
}

void CodeDelivery::subscribeToNotificationManager(NotificationManager& manager) {
    cancellable_.push_back(manager.messages().subscribe(
        this, [this](const CodeEntries& entries) { handleMessagesUpdate(entries); }));
    manager.start();
}

void CodeDelivery::handleMessagesUpdate(const CodeEntries& entries) {
    if (!entries.empty()) {
        const CodeEntry& newest = entries.back();
        if ((!lastNotificationMessage_ || *lastNotificationMessage_ != newest.message) &&
            shouldShowNotificationOverlay_) {
            deliverCode(newest.message, newest.otp);
        }
    }
    const auto count = std::min<std::size_t>(entries.size(), kRecentCount);
    mostRecentMessages_.assign(entries.end() - static_cast<std::ptrdiff_t>(count), entries.end());
    emit mostRecentMessagesChanged();
    shouldShowNotificationOverlay_ = true;
}

void CodeDelivery::deliverCode(const Message& message, const ParsedOTP& otp) {
    lastNotificationMessage_ = message;
    // Also when the code is on the clipboard already: the message has been seen.
    // Only Messages has read flags; a mail or a notification has none Nabbit could set.
    if (!startsWith(message.guid, "email-") && !startsWith(message.guid, "notification-") &&
        messageManager_) {
        messageManager_->markAsRead(message.guid);
    }
    restore_.copyCode(
        otp.code, AppStateManager::shared().restoreContentsDelayTime(),
        [self = QPointer<CodeDelivery>(this), otp](ClipboardRestore::CopyOutcome outcome) {
            if (!self) {
                return;
            }
            if (outcome == ClipboardRestore::CopyOutcome::alreadyOnClipboard) {
                DebugLogger::shared().log("Code already on the clipboard", "SYSTEM");
                return;
            }
            self->codeCopied(otp);
        });
}

void CodeDelivery::codeCopied(const ParsedOTP& otp) {
    if (overlayWindow_) {
        overlayWindow_->close();
        overlayWindow_.clear();
    }
    const auto& preferences = AppStateManager::shared();
    if (preferences.autoPasteEnabled() && platform_.permissions.checkAccessibility()) {
        QTimer::singleShot(kPasteDelay, this, &CodeDelivery::simulatePaste);
    }
    if (preferences.useNativeNotifications()) {
        sendNativeNotification(otp.code, otp.service);
    } else if (preferences.showNotificationOverlay() && !platform_.screenLock.isLocked()) {
        overlayWindow_ =
            new OverlayWindow(QString::fromStdString(otp.code),
                              QStringLiteral("Copied to Clipboard"), platform_.views, true);
    }
}

void CodeDelivery::copyToClipboard(const std::string& code) {
    restore_.copyCodeOnly(code);
}

void CodeDelivery::simulatePaste() {
    platform_.keySynthesis.sendPaste();
}

void CodeDelivery::scheduleClipboardRestore(int seconds) {
    restore_.rescheduleRestore(seconds);
}

void CodeDelivery::restoreClipboard() {
    restore_.restoreNow();
}

void CodeDelivery::updateClipboardRestoreKeyMonitor() {
    clipboardRestoreKeyMonitor_.reset();
    if (AppStateManager::shared().restoreContentsDelayTime() >= 1) {
        // The user pasted the code: give the previous contents back a little later.
        clipboardRestoreKeyMonitor_ = platform_.pasteKeyMonitor.watchPasteKeys(
            [this] { scheduleClipboardRestore(kPasteKeyRestoreSeconds); });
    }
}

void CodeDelivery::onPressCode(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= mostRecentMessages_.size()) {
        return;
    }
    restore_.copyCode(mostRecentMessages_[index].otp.code,
                      AppStateManager::shared().restoreContentsDelayTime());
}

void CodeDelivery::sendNativeNotification(const std::string& code,
                                          const std::optional<std::string>& service) {
    const std::string body = service ? code + " - " + *service : code;
    platform_.notifications.send(
        "2FA Code Copied", body,
        [self = QPointer<CodeDelivery>(this)](const std::optional<std::string>& error) {
            if (self && error) {
                self->print("Error sending notification: " + *error);
            }
        });
}

void CodeDelivery::resetForResync() {
    shouldShowNotificationOverlay_ = false;
    lastNotificationMessage_.reset();
}

void CodeDelivery::print(const std::string& line) const {
    if (platform_.console) {
        platform_.console(line);
    } else {
        printToTerminal(line);
    }
}

}  // namespace nabbit
