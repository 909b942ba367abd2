#include "app/AppDelegate.h"

#include <iostream>

#include <QUuid>

#include "core/AppStateManager.h"
#include "core/SystemLog.h"
#include "parser/SimpleOTPParser.h"
#include "platform/GlobalShortcut.h"
#include "sources/imessage/MessageManager.h"
#include "sources/mail/EmailManager.h"

namespace nabbit {

namespace {

std::string boolText(bool value) {
    return value ? "true" : "false";
}

std::string newUuid() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().toStdString();
}

}  // namespace

AppDelegate::AppDelegate(DesktopServices services, QObject* parent)
    : QObject(parent),
      services_(std::move(services)),
      permissionsService_(services_.accessibility, services_.fileReveal),
      delivery_(std::make_unique<CodeDelivery>(DeliveryPlatform{
          services_.clipboard, services_.keySynthesis, services_.pasteKeyMonitor,
          services_.notifications, permissionsService_, services_.views, services_.console})) {}

AppDelegate::~AppDelegate() = default;

void AppDelegate::applicationDidFinishLaunching() {
    const auto& preferences = AppStateManager::shared();
    if (preferences.globalShortcutEnabled()) {
        updateGlobalHotKey();
    }
    setupMessageManager();
    delivery_->updateClipboardRestoreKeyMonitor();

    const bool fullDiskAccess =
        permissionsService_.checkFullDiskAccess() == FullDiskAccess::granted;
    const bool accessibility = permissionsService_.checkAccessibility();
    systemLog("[Nabbit] App Launched. hasSetup: " + boolText(preferences.hasSetup()) +
              ", FDA: " + boolText(fullDiskAccess) + ", Access: " + boolText(accessibility));
}

void AppDelegate::setupMessageManager() {
    auto parser = std::make_shared<const SimpleOTPParser>();
    messageManager_ =
        std::make_unique<MessageManager>(parser, MessageManager::AccessCheck{}, services_.console);
    delivery_->subscribeToMessageManager(*messageManager_);
    updateEmailManager(parser);
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
    emailManager_ = std::make_unique<EmailManager>(std::move(parser), EmailManager::AccessCheck{},
                                                   services_.console);
    delivery_->subscribeToEmailManager(*emailManager_);
}

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

void AppDelegate::onPressKeyboardShortcuts() {
    const auto& preferences = AppStateManager::shared();
    preferences.setGlobalShortcutEnabled(!preferences.globalShortcutEnabled());
    updateGlobalHotKey();
}

void AppDelegate::resync() {
    delivery_->resetForResync();
    if (messageManager_) {
        messageManager_->resync();
    }
    if (emailManager_) {
        emailManager_->resync();
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

void AppDelegate::print(const std::string& line) const {
    if (services_.console) {
        services_.console(line);
    } else {
        std::cout << line << std::endl;
    }
}

}  // namespace nabbit
