#include "app/AppDelegate.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QScreen>
#include <QShortcut>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QUuid>

#include "app/AppWindow.h"
#include "app/Assets.h"
#include "app/NotificationPosition.h"
#include "app/PopoverWindow.h"
#include "app/UpdateController.h"
#include "app/ViewFactory.h"
#include "core/AppStateManager.h"
#include "core/DebugLogger.h"
#include "core/SystemLog.h"
#include "core/TerminalConsole.h"
#include "parser/SimpleOTPParser.h"
#include "platform/FileReveal.h"
#include "platform/GlobalShortcut.h"
#include "platform/LoginItem.h"
#include "platform/NotificationMonitor.h"
#include "platform/Relauncher.h"
#include "sources/imessage/MessageManager.h"
#include "sources/mail/EmailManager.h"
#include "sources/notifications/NotificationManager.h"

namespace nabbit {

namespace {

constexpr auto kPopoverIgnoreWindow = std::chrono::milliseconds(200);
constexpr auto kRelaunchQuitDelay = std::chrono::milliseconds(200);

std::string boolText(bool value) {
    return value ? "true" : "false";
}

// Tooltips as rich text, which Qt wraps to a readable width instead of one long line.
QString toolTip(const QString& text) {
    return QStringLiteral("<p>") + text.toHtmlEscaped() + QStringLiteral("</p>");
}

// A menu reads a single & as the mark of a shortcut letter: text from messages ("AT&T") keeps
// its ampersands by doubling them.
QString menuText(QString text) {
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

std::string newUuid() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().toStdString();
}

}  // namespace

AppDelegate::AppDelegate(DesktopServices services, QObject* parent)
    : QObject(parent),
      services_(std::move(services)),
      permissionsService_(services_.accessibility, services_.fileReveal),
      mainWindowState_(std::make_unique<MainWindowState>(permissionsService_)),
      delivery_(std::make_unique<CodeDelivery>(
          DeliveryPlatform{services_.clipboard, services_.keySynthesis, services_.pasteKeyMonitor,
                           services_.notifications, permissionsService_, services_.views,
                           services_.screenLock, services_.console})) {
    permissionsService_.setOtherSourcesReadable([this] {
        const auto& preferences = AppStateManager::shared();
        return (preferences.emailDetectionEnabled() && emailManager_ &&
                emailManager_->hasPersistentConnection()) ||
               (preferences.notificationDetectionEnabled() && notificationManager_ &&
                notificationManager_->state() == NotificationManager::State::monitoring);
    });
}

AppDelegate::~AppDelegate() {
    // Windows first: their views refer to the state, the updater and this object.
    mainWindow_.reset();
    onboardingWindow_.reset();
    popoverWindow_.reset();
}

// ---------------------------------------------------------------------------------------------
// Launch, reopen, windows

void AppDelegate::applicationDidFinishLaunching() {
    const auto& preferences = AppStateManager::shared();
    updaterController();
    setupStatusItem();
    if (preferences.globalShortcutEnabled()) {
        updateGlobalHotKey();
    }
    setupMessageManager();
    delivery_->updateClipboardRestoreKeyMonitor();

    const MessageAccess access = permissionsService_.checkMessageAccess();
    const bool fullDiskAccess = access.messagesDatabase && access.granted;
    const bool accessibility = permissionsService_.checkAccessibility();
    const bool hasSetup = preferences.hasSetup();
    systemLog("[Nabbit] App Launched. hasSetup: " + boolText(hasSetup) +
              ", FDA: " + boolText(fullDiskAccess) + ", Access: " + boolText(accessibility));
    if (!access.messagesDatabase) {
        systemLog("[Nabbit] No Messages database; message access from other sources: " +
                  boolText(access.granted));
    }

    if (hasSetup && access.granted) {
        systemLog("[Nabbit] Logic: Required permissions present -> Running as accessory");
        updateActivationPolicy();
        if (preferences.menuBarIconVisible() && !QSystemTrayIcon::isSystemTrayAvailable()) {
            systemLog(
                "[Nabbit] No system tray on this desktop: opening the main window so that Nabbit "
                "stays reachable");
            openMainWindow();
        }
        return;
    }
    if (hasSetup) {
        systemLog("[Nabbit] Logic: Missing FDA -> Opening Onboarding");
        setActivationPolicy(ActivationPolicy::regular);
    } else {
        systemLog("[Nabbit] Logic: !hasSetup -> Opening Onboarding");
        setActivationPolicy(ActivationPolicy::regular);
        preferences.setShouldAutoLaunch(true);
        services_.loginItem.setEnabled(true);
        // Held from the next launch on, or when the setting is next applied.
        preferences.setGlobalShortcutEnabled(true);
    }
    openOnboardingWindow();
}

void AppDelegate::applicationShouldHandleReopen() {
    const bool visibleWindows = (mainWindow_ && mainWindow_->isVisible()) ||
                                (onboardingWindow_ && onboardingWindow_->isVisible());
    systemLog("[Nabbit] Application reopened. flag: " + boolText(visibleWindows));
    if (visibleWindows) {
        activate(mainWindow_ ? mainWindow_.get() : onboardingWindow_.get());
        return;
    }
    if (AppStateManager::shared().hasSetup() && hasMessageAccess()) {
        openMainWindow();
    } else {
        openOnboardingWindow();
    }
}

void AppDelegate::setupMessageManager() {
    auto parser = std::make_shared<const SimpleOTPParser>();
    messageManager_ =
        std::make_unique<MessageManager>(parser, MessageManager::AccessCheck{}, services_.console);
    delivery_->subscribeToMessageManager(*messageManager_);
    updateEmailManager(parser);
    updateNotificationManager(parser);
}

void AppDelegate::updateEmailManager(std::shared_ptr<const OTPParser> parser) {
    if (!AppStateManager::shared().emailDetectionEnabled()) {
        if (emailManager_) {
            emailManager_->stop();
            emailManager_.reset();
        }
        return;
    }
    if (emailManager_) {
        return;
    }
    if (!parser) {
        parser = std::make_shared<const SimpleOTPParser>();
    }
    // Where there is no Messages database, there is no Full Disk Access to wait for: the
    // index is read when it can be opened.
    emailManager_ = std::make_unique<EmailManager>(
        std::move(parser), [] { return checkFullDiskAccess() != FullDiskAccess::denied; },
        services_.console);
    delivery_->subscribeToEmailManager(*emailManager_);
}

void AppDelegate::updateNotificationManager(std::shared_ptr<const OTPParser> parser) {
    if (!AppStateManager::shared().notificationDetectionEnabled()) {
        if (notificationManager_) {
            notificationManager_->stop();
            notificationManager_.reset();
        }
        return;
    }
    if (notificationManager_) {
        return;
    }
    if (!parser) {
        parser = std::make_shared<const SimpleOTPParser>();
    }
    notificationManager_ = std::make_unique<NotificationManager>(
        std::move(parser),
        services_.makeNotificationMonitor ? services_.makeNotificationMonitor() : nullptr,
        services_.console);
    delivery_->subscribeToNotificationManager(*notificationManager_);
}

bool AppDelegate::hasMessageAccess() const {
    return permissionsService_.checkMessageAccess().granted;
}

void AppDelegate::updateActivationPolicy() {
    const auto& preferences = AppStateManager::shared();
    setActivationPolicy(preferences.hasSetup() && preferences.menuBarIconVisible()
                            ? ActivationPolicy::accessory
                            : ActivationPolicy::regular);
}

void AppDelegate::setActivationPolicy(ActivationPolicy policy) {
    if (policy != activationPolicy_) {
        systemLog(std::string("[Nabbit] Activation policy: ") +
                  (policy == ActivationPolicy::accessory ? "accessory" : "regular"));
    }
    activationPolicy_ = policy;
}

void AppDelegate::activate(QWidget* window) {
    if (window == nullptr) {
        return;
    }
    window->show();
    window->raise();
    window->activateWindow();
}

void AppDelegate::openOnboardingWindow() {
    QMetaObject::invokeMethod(
        this,
        [this] {
            systemLog("[Nabbit] openOnboardingWindow called (async)");
            setActivationPolicy(ActivationPolicy::regular);
            updateActivationPolicy();
            if (!onboardingWindow_) {
                systemLog("[Nabbit] Creating new onboarding window");
                onboardingWindow_ =
                    std::make_unique<AppWindow>(QStringLiteral("Setup Nabbit"), QSize(600, 500),
                                                QSize(600, 500), QStringLiteral("OnboardingWindow"),
                                                services_.views.makeOnboardingView(this, nullptr));
                // Kept above other windows while the user grants permissions elsewhere.
                onboardingWindow_->setWindowFlag(Qt::WindowStaysOnTopHint);
                connect(onboardingWindow_.get(), &AppWindow::willClose, this,
                        &AppDelegate::onboardingWindowDidClose);
            }
            onboardingWindow_->center();
            activate(onboardingWindow_.get());
            systemLog("[Nabbit] Window ordered front. Visible: " +
                      boolText(onboardingWindow_->isVisible()));
        },
        Qt::QueuedConnection);
}

void AppDelegate::onboardingWindowDidClose() {
    // A second close of the same window (a held Alt+F4) arrives after it was let go, and may
    // come after a new window took its place: only the window held now is let go.
    if (!onboardingWindow_ || sender() != onboardingWindow_.get()) {
        return;
    }
    systemLog("[Nabbit] Onboarding window closed");
    // The window is still in its close event: Qt deletes it once that is over.
    onboardingWindow_.release()->deleteLater();
    updateActivationPolicy();
}

void AppDelegate::openMainWindow() {
    QMetaObject::invokeMethod(
        this,
        [this] {
            setActivationPolicy(ActivationPolicy::regular);
            if (!mainWindow_) {
                mainWindow_ = std::make_unique<AppWindow>(
                    QStringLiteral("Nabbit"), QSize(680, 860), QSize(580, 420),
                    QStringLiteral("NabbitMainWindow"),
                    services_.views.makeMainWindowView(*mainWindowState_, this, nullptr));
                connect(mainWindow_.get(), &AppWindow::willClose, this,
                        &AppDelegate::mainWindowDidClose);
            }
            mainWindowState_->startRefreshing(this);
            activate(mainWindow_.get());
        },
        Qt::QueuedConnection);
}

void AppDelegate::mainWindowDidClose() {
    if (!mainWindow_ || sender() != mainWindow_.get()) {
        return;  // a second close of a window already let go
    }
    if (!popoverWindow_ || !popoverWindow_->isVisible()) {
        mainWindowState_->stopRefreshing();
    }
    mainWindow_.release()->deleteLater();
    updateActivationPolicy();
}

void AppDelegate::quit() {
    QCoreApplication::quit();
}

// ---------------------------------------------------------------------------------------------
// Shortcut, resync and test paths

void AppDelegate::updateGlobalHotKey() {
    if (AppStateManager::shared().globalShortcutEnabled()) {
        if (!hotKeyRef_) {
            registerGlobalHotKey();
        }
        return;
    }
    hotKeyRef_.reset();
    hotKeyEventHandler_.reset();
}

void AppDelegate::registerGlobalHotKey() {
    hotKeyRef_ = services_.globalShortcut.registerHotKey();
    // One handler however often the grab is retried: a second one would resync twice.
    if (!hotKeyEventHandler_) {
        hotKeyEventHandler_ = services_.globalShortcut.installHandler([this] {
            QMetaObject::invokeMethod(this, &AppDelegate::resync, Qt::QueuedConnection);
        });
    }
}

void AppDelegate::resync() {
    delivery_->resetForResync();
    if (messageManager_) {
        messageManager_->resync();
    }
    if (emailManager_) {
        emailManager_->resync();
    }
    if (notificationManager_) {
        notificationManager_->resync();
    }
}

void AppDelegate::injectTestNotification(const QVariant& representedObject) {
    if (representedObject.typeId() != QMetaType::QString) {
        return;
    }
    const auto text = representedObject.toString().toStdString();
    print("🔔 Injecting test notification: " + text);
    if (notificationManager_) {
        notificationManager_->injectTestNotification(text);
    } else {
        print(
            "⚠️ Notification detection is disabled — enable Settings → Detect Codes from "
            "Notifications to test");
    }
}

void AppDelegate::onPressTestNotification() {
    const Message message{
        0,    "test-" + newUuid(), "Your Nabbit test code is 123456", "Nabbit Test", std::nullopt,
        false};
    delivery_->deliverCode(message, ParsedOTP{"Nabbit Test", "123456"});
}

void AppDelegate::injectTestMessage(const QVariant& representedObject) {
    if (representedObject.typeId() != QMetaType::QString) {
        return;
    }
    const auto text = representedObject.toString().toStdString();
    print("🧪 Injecting test message: " + text);
    if (messageManager_) {
        messageManager_->injectTestMessage(text);
    }
}

void AppDelegate::injectTestEmail(const QVariant& representedObject) {
    if (representedObject.typeId() != QMetaType::QString) {
        return;
    }
    const auto text = representedObject.toString().toStdString();
    print("📧 Injecting test email: " + text);
    if (emailManager_) {
        emailManager_->injectTestEmail(text);
    } else {
        print(
            "⚠️ Email detection is disabled — enable Settings → Detect Codes from Apple "
            "Mail "
            "to "
            "test");
    }
}

// ---------------------------------------------------------------------------------------------
// Tray icon and popover

void AppDelegate::setupStatusItem() {
    statusBarItem_ = new QSystemTrayIcon(this);
    QIcon icon = assets::icon(QStringLiteral("TrayIcon"));
    if (icon.isNull()) {
        icon = QIcon::fromTheme(QStringLiteral("dialog-password"));
    }
    statusBarItem_->setIcon(icon);
    statusBarItem_->setToolTip(QStringLiteral("Nabbit"));
    // One menu, filled anew each time it opens, so every title and check mark is current.
    statusMenu_ = std::make_unique<QMenu>();
    statusMenu_->setToolTipsVisible(true);
    connect(statusMenu_.get(), &QMenu::aboutToShow, this,
            [this] { buildStatusMenu(*statusMenu_); });
    buildStatusMenu(*statusMenu_);
    statusBarItem_->setContextMenu(statusMenu_.get());
    connect(statusBarItem_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                // The second click of a quick pair arrives as a double click: still a click.
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) {
                    handleStatusBarClick();
                }
            });
    statusBarItem_->setVisible(AppStateManager::shared().menuBarIconVisible());
}

void AppDelegate::setStatusItemVisible(bool visible) {
    if (statusBarItem_ != nullptr) {
        statusBarItem_->setVisible(visible);
    }
}

void AppDelegate::handleStatusBarClick() {
    if (popoverIgnoreUntil_ && std::chrono::steady_clock::now() < *popoverIgnoreUntil_) {
        popoverIgnoreUntil_.reset();
        return;
    }
    if (popoverWindow_ && popoverWindow_->isVisible()) {
        closePopover();
    } else {
        showPopover();
    }
}

void AppDelegate::showPopover() {
    if (!popoverWindow_) {
        popoverWindow_ = std::make_unique<PopoverWindow>(
            services_.views.makePopoverContent(*mainWindowState_, this, nullptr));
    }
    mainWindowState_->startRefreshing(this);
    popoverWindow_->adjustSize();
    // Under the icon when the tray says where it is, else at the cursor.
    QRect anchor = statusBarItem_ != nullptr ? statusBarItem_->geometry() : QRect();
    if (!anchor.isValid()) {
        anchor = QRect(QCursor::pos(), QSize(1, 1));
    }
    const QScreen* screen = QGuiApplication::screenAt(anchor.center());
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    const QRect available = screen != nullptr ? screen->availableGeometry() : QRect();
    popoverWindow_->setGeometry(
        PopoverWindow::frameFor(popoverWindow_->sizeHint(), anchor, available));
    activate(popoverWindow_.get());
    if (!popoverResignObserver_) {
        popoverResignObserver_ = connect(popoverWindow_.get(), &PopoverWindow::resignedKey, this,
                                         &AppDelegate::closePopover);
    }
    if (!popoverEscMonitor_) {
        popoverEscMonitor_ =
            std::make_unique<QShortcut>(QKeySequence(Qt::Key_Escape), popoverWindow_.get());
        connect(popoverEscMonitor_.get(), &QShortcut::activated, this, &AppDelegate::closePopover);
    }
}

void AppDelegate::closePopover() {
    if (!popoverWindow_ || !popoverWindow_->isVisible()) {
        return;
    }
    popoverWindow_->hide();
    // Nothing shows the state any more unless the main window is open.
    if (!mainWindow_) {
        mainWindowState_->stopRefreshing();
    }
    popoverIgnoreUntil_ = std::chrono::steady_clock::now() + kPopoverIgnoreWindow;
    disconnect(popoverResignObserver_);
    popoverResignObserver_ = {};
    popoverEscMonitor_.reset();
}

// ---------------------------------------------------------------------------------------------
// Menus and their actions

void AppDelegate::buildStatusMenu(QMenu& menu) {
    menu.clear();
    const MessageAccess access = permissionsService_.checkMessageAccess();
    menu.addAction(!access.granted           ? QStringLiteral("⚠️ Setup Nabbit")
                   : access.messagesDatabase ? QStringLiteral("🟢 Connected to iMessage")
                                             : QStringLiteral("🟢 Connected"),
                   this, &AppDelegate::onPressSetup);
    menu.addAction(QStringLiteral("Open Nabbit Window"), this, &AppDelegate::openMainWindow);
    menu.addAction(QStringLiteral("🚀 Send Test Notification"), this,
                   &AppDelegate::onPressTestNotification);
    menu.addSeparator();
    menu.addAction(QStringLiteral("Recent"))->setEnabled(false);
    const auto& recent = delivery_->mostRecentMessages();
    for (std::size_t index = 0; index < recent.size(); ++index) {
        const auto& otp = recent[index].otp;
        const QString title = QString::fromStdString(otp.code) + QStringLiteral(" - ") +
                              QString::fromStdString(otp.service.value_or("Unknown"));
        menu.addAction(menuText(title), this,
                       [this, index] { onPressCode(static_cast<int>(index)); });
    }
    menu.addSeparator();
    QAction* resyncItem = menu.addAction(QStringLiteral("Resync"), this, &AppDelegate::resync);
    resyncItem->setToolTip(toolTip(QStringLiteral(
        "Sometimes iMessage likes to sleep on the job. If Nabbit ever misses a message, use this "
        "option to sync recent messages and copy the latest code to your clipboard")));
    QMenu* settings = menu.addMenu(QStringLiteral("Settings"));
    settings->setToolTipsVisible(true);
    buildSettingsMenu(*settings);
    menu.addAction(QStringLiteral("Check for Updates…"), this, &AppDelegate::checkForUpdates);
    menu.addAction(QStringLiteral("Quit Nabbit"), this, &AppDelegate::quit);
}

void AppDelegate::buildSettingsMenu(QMenu& menu) {
    menu.clear();
    const auto& preferences = AppStateManager::shared();
    auto toggle = [&menu, this](const QString& title, bool checked, void (AppDelegate::*action)(),
                                const QString& tip) {
        QAction* item = menu.addAction(title, this, action);
        item->setCheckable(true);
        item->setChecked(checked);
        item->setToolTip(toolTip(tip));
        return item;
    };

    const bool native = preferences.useNativeNotifications();
    toggle(QStringLiteral("Use Native Notifications"), native,
           &AppDelegate::onPressUseNativeNotifications,
           QStringLiteral("Use desktop notifications instead of custom overlay (follows Do Not "
                          "Disturb settings)"));
    if (!native) {
        QMenu* positions = menu.addMenu(QStringLiteral("Notification Position"));
        positions->menuAction()->setToolTip(
            toolTip(QStringLiteral("Select where notifications will appear on the screen")));
        const int stored =
            static_cast<int>(notificationPositionFromRaw(preferences.notificationPosition())
                                 .value_or(NotificationPosition::leftEdgeTop));
        for (const auto position : allNotificationPositions) {
            const int raw = static_cast<int>(position);
            QAction* item = positions->addAction(QString::fromUtf8(label(position).data()), this,
                                                 [this, raw] { onPressNotificationPosition(raw); });
            item->setCheckable(true);
            item->setChecked(raw == stored);
        }
        toggle(QStringLiteral("Show Notification Overlay"), preferences.showNotificationOverlay(),
               &AppDelegate::onPressShowOverlay,
               QStringLiteral("Show a notification overlay when a code is copied (disable for "
                              "privacy during screen recordings)"));
    }
    toggle(QStringLiteral("Keyboard Shortcuts"), preferences.globalShortcutEnabled(),
           &AppDelegate::onPressKeyboardShortcuts,
           QStringLiteral("Disable keyboard shortcuts if Nabbit uses the same keyboard shortcuts "
                          "as another app"));
    toggle(QStringLiteral("Auto-Paste Codes"), preferences.autoPasteEnabled(),
           &AppDelegate::onPressAutoPaste,
           QStringLiteral("Automatically paste codes into focused text field (requires "
                          "permission to send key events)"));
    toggle(QStringLiteral("Mark Messages as Read"), preferences.markAsReadEnabled(),
           &AppDelegate::onPressMarkAsRead,
           QStringLiteral("Automatically mark OTP messages as read in iMessage after copying the "
                          "code"));
    toggle(QStringLiteral("Detect Codes from Apple Mail"), preferences.emailDetectionEnabled(),
           &AppDelegate::onPressEmailDetection,
           QStringLiteral("Also scan incoming emails in Apple Mail for verification codes "
                          "(requires read access to Mail's files)"));
    toggle(QStringLiteral("Detect Codes from Notifications"),
           preferences.notificationDetectionEnabled(), &AppDelegate::onPressNotificationDetection,
           QStringLiteral("Also read the notifications other programs show (SMS from your phone "
                          "through KDE Connect or GSConnect, mail clients, messengers) for "
                          "verification codes"));

    const int delay = preferences.restoreContentsDelayTime();
    QMenu* delays = menu.addMenu(QStringLiteral("Restore Clipboard Contents"));
    delays->menuAction()->setCheckable(true);
    delays->menuAction()->setChecked(delay >= 1);
    delays->menuAction()->setToolTip(
        toolTip(QStringLiteral("Disable restore clipboard contents if you don't want Nabbit to "
                               "restore your clipboard to what it was before receiving a code")));
    for (const int seconds : {0, 5, 10, 15, 20}) {
        QAction* item = delays->addAction(
            seconds == 0 ? QStringLiteral("Disabled") : QString::number(seconds) + " sec", this,
            [this, seconds] { onPressRestoreClipboardContents(seconds); });
        item->setCheckable(true);
        item->setChecked(seconds == delay);
    }
    QAction* login =
        menu.addAction(QStringLiteral("Open at Login"), this, &AppDelegate::onPressAutoLaunch);
    login->setCheckable(true);
    login->setChecked(preferences.shouldAutoLaunch());
    menu.addSeparator();

    const bool debugLogging = preferences.debugLoggingEnabled();
    toggle(QStringLiteral("Debug Logging"), debugLogging, &AppDelegate::onPressDebugLogging,
           QStringLiteral("Enable debug logging to troubleshoot iMessage database issues. Logs "
                          "are saved to ~/Documents/Nabbit_Debug.log"));
    if (debugLogging) {
        menu.addAction(QStringLiteral("Open Debug Log"), this, &AppDelegate::onPressOpenDebugLog)
            ->setToolTip(QStringLiteral("Open the debug log file in the file manager"));
        menu.addAction(QStringLiteral("Clear Debug Log"), this, &AppDelegate::onPressClearDebugLog)
            ->setToolTip(QStringLiteral("Clear the debug log file"));
    }
}

void AppDelegate::onPressSetup() {
    openOnboardingWindow();
}

void AppDelegate::onPressCode(int index) {
    delivery_->onPressCode(index);
}

void AppDelegate::onPressUseNativeNotifications() {
    const auto& preferences = AppStateManager::shared();
    preferences.setUseNativeNotifications(!preferences.useNativeNotifications());
}

void AppDelegate::onPressNotificationPosition(int raw) {
    if (notificationPositionFromRaw(raw)) {
        AppStateManager::shared().setNotificationPosition(raw);
    }
}

void AppDelegate::onPressShowOverlay() {
    const auto& preferences = AppStateManager::shared();
    preferences.setShowNotificationOverlay(!preferences.showNotificationOverlay());
}

void AppDelegate::onPressKeyboardShortcuts() {
    const auto& preferences = AppStateManager::shared();
    preferences.setGlobalShortcutEnabled(!preferences.globalShortcutEnabled());
    updateGlobalHotKey();
}

void AppDelegate::onPressAutoPaste() {
    const auto& preferences = AppStateManager::shared();
    preferences.setAutoPasteEnabled(!preferences.autoPasteEnabled());
}

void AppDelegate::onPressMarkAsRead() {
    const auto& preferences = AppStateManager::shared();
    preferences.setMarkAsReadEnabled(!preferences.markAsReadEnabled());
}

void AppDelegate::onPressEmailDetection() {
    const auto& preferences = AppStateManager::shared();
    preferences.setEmailDetectionEnabled(!preferences.emailDetectionEnabled());
    updateEmailManager();
}

void AppDelegate::onPressNotificationDetection() {
    const auto& preferences = AppStateManager::shared();
    preferences.setNotificationDetectionEnabled(!preferences.notificationDetectionEnabled());
    updateNotificationManager();
}

void AppDelegate::onPressRestoreClipboardContents(int seconds) {
    AppStateManager::shared().setRestoreContentsDelayTime(seconds);
    delivery_->updateClipboardRestoreKeyMonitor();
}

void AppDelegate::onPressAutoLaunch() {
    const auto& preferences = AppStateManager::shared();
    const bool enabled = !preferences.shouldAutoLaunch();
    preferences.setShouldAutoLaunch(enabled);
    setLoginItemEnabled(enabled);
}

void AppDelegate::setLoginItemEnabled(bool enabled) {
    services_.loginItem.setEnabled(enabled);
}

void AppDelegate::onPressDebugLogging() {
    const auto& preferences = AppStateManager::shared();
    preferences.setDebugLoggingEnabled(!preferences.debugLoggingEnabled());
}

void AppDelegate::onPressOpenDebugLog() {
    if (const auto& file = DebugLogger::shared().logFileURL()) {
        services_.fileReveal.revealFile(*file);
    }
}

void AppDelegate::onPressClearDebugLog() {
    DebugLogger::shared().clearLog();
    DebugLogger::shared().log("Debug log cleared by user", "SYSTEM");
}

void AppDelegate::checkForUpdates() {
    updaterController().checkForUpdates();
}

UpdateController& AppDelegate::updaterController() {
    if (!updaterController_) {
        auto settings = UpdateSettings::fromBuildConfiguration(QStringLiteral(NABBIT_VERSION));
        settings.revealFile = [this](const QString& file) {
            services_.fileReveal.revealFile(file.toStdString());
        };
        updaterController_ = std::make_unique<UpdateController>(std::move(settings));
        updaterController_->startScheduledChecks();
    }
    return *updaterController_;
}

void AppDelegate::relaunchApp() {
    if (!services_.relauncher.relaunch()) {
        systemLog("[Nabbit] Could not start a new Nabbit; quitting anyway");
    }
    QTimer::singleShot(kRelaunchQuitDelay, this, &AppDelegate::quit);
}

void AppDelegate::print(const std::string& line) const {
    if (services_.console) {
        services_.console(line);
    } else {
        printToTerminal(line);
    }
}

}  // namespace nabbit
