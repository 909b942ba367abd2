#pragma once

#include <memory>
#include <string>

#include <QObject>
#include <QVariant>

#include "app/CodeDelivery.h"
#include "app/DesktopServices.h"
#include "app/PermissionsService.h"
#include "parser/OTPParser.h"

namespace nabbit {

class EmailManager;
class MessageManager;
class Registration;

// The application object: owns the message sources, the delivery of their codes, the global
// shortcut and the permission checks, and answers the program's start and the user's actions.
// Lives for the whole process, on the main thread.
class AppDelegate : public QObject {
    Q_OBJECT

  public:
    explicit AppDelegate(DesktopServices services, QObject* parent = nullptr);
    ~AppDelegate() override;

    // What the program does once the event loop is ready.
    void applicationDidFinishLaunching();

    // Creates the parser and the Messages source and starts it; then the Mail source when it
    // is switched on, with the same parser.
    void setupMessageManager();
    // Starts or stops the Mail source to match the preference. Without a parser, a new one is
    // made for it.
    void updateEmailManager(std::shared_ptr<const OTPParser> parser = {});

    // Holds or lets go of Ctrl+Shift+E to match the preference.
    void updateGlobalHotKey();
    void registerGlobalHotKey();
    void onPressKeyboardShortcuts();

    // Forgets what was delivered and restarts both sources from their newest row.
    void resync();
    // Delivers a fixed test code through the whole pipeline.
    void onPressTestNotification();
    // Feed a text to a source as if it had been received; the sender's represented object
    // must be a text.
    void injectTestMessage(const QVariant& representedObject);
    void injectTestEmail(const QVariant& representedObject);

    MessageManager* messageManager() const { return messageManager_.get(); }
    EmailManager* emailManager() const { return emailManager_.get(); }
    CodeDelivery& delivery() { return *delivery_; }
    const PermissionsService& permissionsService() const { return permissionsService_; }
    bool hasHotKey() const { return hotKeyRef_ != nullptr; }

  private:
    void print(const std::string& line) const;

    DesktopServices services_;
    PermissionsService permissionsService_;
    std::unique_ptr<CodeDelivery> delivery_;
    std::unique_ptr<MessageManager> messageManager_;
    std::unique_ptr<EmailManager> emailManager_;
    std::unique_ptr<Registration> hotKeyRef_;
    std::unique_ptr<Registration> hotKeyEventHandler_;
};

}  // namespace nabbit
