#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QObject>
#include <QPointer>

#include "app/ClipboardRestore.h"
#include "app/OverlayWindow.h"
#include "sources/CodeEntryList.h"

namespace nabbit {

class Clipboard;
class DesktopNotifications;
class EmailManager;
class KeySynthesis;
class MessageManager;
class NotificationManager;
class PermissionsService;
class PasteKeyMonitor;
class Registration;
class ScreenLock;
class ViewFactory;

// What delivering a code needs from the desktop.
struct DeliveryPlatform {
    Clipboard& clipboard;
    KeySynthesis& keySynthesis;
    PasteKeyMonitor& pasteKeyMonitor;
    DesktopNotifications& notifications;
    const PermissionsService& permissions;
    const ViewFactory& views;
    // While the session is locked, codes are still copied but no overlay is drawn.
    const ScreenLock& screenLock;
    // Where lines for the user go (when empty, standard output if it is a terminal: they may
    // hold codes and message texts).
    std::function<void(const std::string& line)> console;
};

// The path from the sources' published lists to the user: the newest code of a publication
// goes to the clipboard, its message is marked read, it is pasted when the user wants that,
// announced by the overlay or a desktop notification, and the user's clipboard is put back
// after the configured delay (ClipboardRestore). The same code still on the clipboard from the
// last delivery is not delivered again. Keeps the newest entries for the menus and windows.
// Everything runs on the main thread.
class CodeDelivery : public QObject {
    Q_OBJECT

  public:
    explicit CodeDelivery(DeliveryPlatform platform, QObject* parent = nullptr);
    ~CodeDelivery() override;

    // Subscribe to a source's list (the first call back only records it) and start the
    // source.
    void subscribeToMessageManager(MessageManager& manager);
    void subscribeToEmailManager(EmailManager& manager);
    void subscribeToNotificationManager(NotificationManager& manager);

    void handleMessagesUpdate(const CodeEntries& entries);
    void deliverCode(const Message& message, const ParsedOTP& otp);
    // Puts the code on the clipboard for a copy the user asked for in a window: nothing is
    // saved, nothing restored.
    void copyToClipboard(const std::string& code);
    void simulatePaste();
    // Moves the pending restore to `seconds` from now.
    void scheduleClipboardRestore(int seconds);
    void restoreClipboard();
    void updateClipboardRestoreKeyMonitor();
    // Copies the code of the recent entry at `index`; out of range does nothing.
    void onPressCode(int index);
    void sendNativeNotification(const std::string& code, const std::optional<std::string>& service);

    // Forgets what was delivered, so that the next publication is only recorded. A pending
    // restore stays: the user's clipboard still comes back.
    void resetForResync();

    const CodeEntries& mostRecentMessages() const { return mostRecentMessages_; }
    const std::optional<Message>& lastNotificationMessage() const {
        return lastNotificationMessage_;
    }
    bool shouldShowNotificationOverlay() const { return shouldShowNotificationOverlay_; }
    const ClipboardRestore& clipboardRestore() const { return restore_; }
    OverlayWindow* overlayWindow() const { return overlayWindow_; }
    bool isMonitoringPasteKeys() const { return clipboardRestoreKeyMonitor_ != nullptr; }

  signals:
    // `mostRecentMessages` was set (also to the same entries).
    void mostRecentMessagesChanged();

  private:
    // What follows once the code is on the clipboard.
    void codeCopied(const ParsedOTP& otp);
    void print(const std::string& line) const;

    DeliveryPlatform platform_;
    QPointer<MessageManager> messageManager_;  // for marking delivered messages read
    std::vector<CodeEntryList::Subscription> cancellable_;
    CodeEntries mostRecentMessages_;
    std::optional<Message> lastNotificationMessage_;
    bool shouldShowNotificationOverlay_ = false;
    ClipboardRestore restore_;
    std::unique_ptr<Registration> clipboardRestoreKeyMonitor_;
    QPointer<OverlayWindow> overlayWindow_;
};

}  // namespace nabbit
