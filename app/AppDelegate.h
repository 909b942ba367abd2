#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include <QObject>
#include <QPointer>
#include <QVariant>

#include "app/CodeDelivery.h"
#include "app/DesktopServices.h"
#include "app/MainWindowState.h"
#include "app/PermissionsService.h"
#include "parser/OTPParser.h"

class QMenu;
class QShortcut;
class QSystemTrayIcon;

namespace nabbit {

class AppWindow;
class EmailManager;
class UpdateController;
class MessageManager;
class NotificationManager;
class PopoverWindow;
class Registration;

// Whether Nabbit shows as an ordinary application (a window in the task bar) or lives in the
// tray only. Recorded and logged; a Linux desktop has no Dock to change.
enum class ActivationPolicy { regular = 0, accessory = 1 };

// The application object: owns the message sources and the delivery of their codes, the tray
// icon with its menus and popover, the windows, the global shortcut and the permission checks,
// and answers the program's start, a second start (reopen) and the user's actions. Lives for
// the whole process, on the main thread.
class AppDelegate : public QObject {
    Q_OBJECT

  public:
    explicit AppDelegate(DesktopServices services, QObject* parent = nullptr);
    ~AppDelegate() override;

    // The launch sequence, once the event loop is ready.
    void applicationDidFinishLaunching();
    // Another start of Nabbit asked this one to show itself.
    void applicationShouldHandleReopen();

    // Creates the parser and the Messages source and starts it; then the Mail and the
    // notification sources when they are switched on, with the same parser.
    void setupMessageManager();
    // Starts or stops the Mail source to match the preference. Without a parser, a new one is
    // made for it.
    void updateEmailManager(std::shared_ptr<const OTPParser> parser = {});
    // The same for the notification source.
    void updateNotificationManager(std::shared_ptr<const OTPParser> parser = {});
    // Whether any message can be read (see PermissionsService::checkMessageAccess).
    bool hasMessageAccess() const;
    // Accessory when set up with a visible tray icon, regular otherwise.
    void updateActivationPolicy();
    void openOnboardingWindow();
    void openMainWindow();
    void quit();

    // Holds or lets go of Ctrl+Shift+E to match the preference.
    void updateGlobalHotKey();
    void registerGlobalHotKey();
    // Forgets what was delivered and restarts both sources from their newest row.
    void resync();
    // Delivers a fixed test code through the whole pipeline.
    void onPressTestNotification();
    // Feed a text to a source as if it had been received; the sender's represented object
    // must be a text.
    void injectTestMessage(const QVariant& representedObject);
    void injectTestEmail(const QVariant& representedObject);
    void injectTestNotification(const QVariant& representedObject);

    // A left click on the tray icon (a right click opens the menu, built anew each time).
    void handleStatusBarClick();
    void showPopover();
    void closePopover();
    // Shows or hides the tray icon (the settings window's switch).
    void setStatusItemVisible(bool visible);

    // Menu actions.
    void onPressSetup();
    void onPressCode(int index);
    void onPressUseNativeNotifications();
    void onPressNotificationPosition(int raw);
    void onPressShowOverlay();
    void onPressKeyboardShortcuts();
    void onPressAutoPaste();
    // Auto-paste was just switched on (the menu or the settings window).
    void autoPasteSwitchedOn();
    void onPressMarkAsRead();
    void onPressEmailDetection();
    void onPressNotificationDetection();
    void onPressRestoreClipboardContents(int seconds);
    void onPressAutoLaunch();
    void onPressDebugLogging();
    void onPressOpenDebugLog();
    void onPressClearDebugLog();
    void checkForUpdates();
    // The software-update controller, created (and its daily checks started) on first use.
    UpdateController& updaterController();
    // Starts a new Nabbit and ends this one 0.2 s later, whether or not the start worked.
    void relaunchApp();
    // Switches the login item on or off (the preference is the caller's).
    void setLoginItemEnabled(bool enabled);

    MessageManager* messageManager() const { return messageManager_.get(); }
    EmailManager* emailManager() const { return emailManager_.get(); }
    NotificationManager* notificationManager() const { return notificationManager_.get(); }
    CodeDelivery& delivery() { return *delivery_; }
    const PermissionsService& permissionsService() const { return permissionsService_; }
    MainWindowState& mainWindowState() { return *mainWindowState_; }
    QSystemTrayIcon* statusBarItem() const { return statusBarItem_; }
    QMenu* statusMenu() const { return statusMenu_.get(); }
    PopoverWindow* popoverWindow() const { return popoverWindow_.get(); }
    AppWindow* onboardingWindow() const { return onboardingWindow_.get(); }
    AppWindow* mainWindow() const { return mainWindow_.get(); }
    ActivationPolicy activationPolicy() const { return activationPolicy_; }
    bool hasHotKey() const { return hotKeyRef_ != nullptr; }
    // What the settings captions tell about this desktop: whether the shortcut works in every
    // window, and whether a Ctrl+V typed anywhere is seen.
    bool shortcutReachesEveryWindow() const;
    bool pasteKeysSeenEverywhere() const;

    // Builds the tray menu anew from the current preferences (also on every right click).
    void buildStatusMenu(QMenu& menu);
    void buildSettingsMenu(QMenu& menu);

  private:
    void setupStatusItem();
    void setActivationPolicy(ActivationPolicy policy);
    void activate(QWidget* window);
    void onboardingWindowDidClose();
    void mainWindowDidClose();
    void print(const std::string& line) const;

    DesktopServices services_;
    std::unique_ptr<MessageManager> messageManager_;
    std::unique_ptr<EmailManager> emailManager_;
    std::unique_ptr<NotificationManager> notificationManager_;
    PermissionsService permissionsService_;
    QSystemTrayIcon* statusBarItem_ = nullptr;  // a child
    std::unique_ptr<QMenu> statusMenu_;
    std::unique_ptr<AppWindow> onboardingWindow_;
    std::unique_ptr<AppWindow> mainWindow_;
    std::unique_ptr<MainWindowState> mainWindowState_;
    std::unique_ptr<PopoverWindow> popoverWindow_;
    QMetaObject::Connection popoverResignObserver_;
    std::unique_ptr<QShortcut> popoverEscMonitor_;
    std::optional<std::chrono::steady_clock::time_point> popoverIgnoreUntil_;
    std::unique_ptr<CodeDelivery> delivery_;
    std::unique_ptr<Registration> hotKeyRef_;
    std::unique_ptr<Registration> hotKeyEventHandler_;
    ActivationPolicy activationPolicy_ = ActivationPolicy::regular;
    std::unique_ptr<UpdateController> updaterController_;
};

}  // namespace nabbit
