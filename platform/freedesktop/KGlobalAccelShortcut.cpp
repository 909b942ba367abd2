#include "platform/freedesktop/KGlobalAccelShortcut.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QKeySequence>
#include <QObject>
#include <QStringList>

#include "core/SystemLog.h"

namespace nabbit {

namespace {

const QString kService = QStringLiteral("org.kde.kglobalaccel");
const QString kPath = QStringLiteral("/kglobalaccel");
const QString kInterface = QStringLiteral("org.kde.KGlobalAccel");
const QString kComponentPath = QStringLiteral("/component/nabbit");
const QString kComponentInterface = QStringLiteral("org.kde.kglobalaccel.Component");
const QString kComponent = QStringLiteral("nabbit");
const QString kAction = QStringLiteral("resync");
// The service answers at once; a desktop that hangs must not hold Nabbit's start for long.
constexpr int kCallTimeoutMs = 2000;

// setShortcut's flags: the keys are the default; the action is present (its program runs).
constexpr uint kIsDefault = 1;
constexpr uint kSetPresent = 2;

// The action's id as the service wants it: component and action, then their display names.
QStringList actionId() {
    return {kComponent, kAction, QStringLiteral("Nabbit"), QStringLiteral("Resync Messages")};
}

QDBusMessage callService(const QDBusConnection& bus, const QString& method,
                         const QVariantList& arguments) {
    QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    message.setArguments(arguments);
    // Never started on demand: outside Plasma it would grab keys on the X display only.
    message.setAutoStartService(false);
    return bus.call(message, QDBus::Block, kCallTimeoutMs);
}

std::string keysText(const QList<int>& keys) {
    QStringList texts;
    for (const int key : keys) {
        if (key != 0) {
            texts << QKeySequence(key).toString(QKeySequence::PortableText);
        }
    }
    return texts.join(QStringLiteral(", ")).toStdString();
}

class RegisteredAction final : public QObject, public Registration {
  public:
    explicit RegisteredAction(QDBusConnection bus) : bus_(std::move(bus)) {
        if (auto* application = QCoreApplication::instance()) {
            connect(application, &QCoreApplication::aboutToQuit, this,
                    [this] { quitting_ = true; });
        }
    }
    RegisteredAction(const RegisteredAction&) = delete;
    RegisteredAction& operator=(const RegisteredAction&) = delete;

    ~RegisteredAction() override {
        // Inactive keeps the user's binding for the next start; unregistered forgets it.
        callService(bus_, quitting_ ? QStringLiteral("setInactive") : QStringLiteral("unRegister"),
                    {actionId()});
    }

  private:
    QDBusConnection bus_;
    bool quitting_ = false;
};

class PressHandler final : public QObject, public Registration {
    Q_OBJECT

  public:
    PressHandler(QDBusConnection bus, std::function<void()> onPressed)
        : bus_(std::move(bus)), onPressed_(std::move(onPressed)) {
        connected_ = bus_.connect(kService, kComponentPath, kComponentInterface,
                                  QStringLiteral("globalShortcutPressed"), this,
                                  SLOT(pressed(QString, QString, qlonglong)));
    }
    PressHandler(const PressHandler&) = delete;
    PressHandler& operator=(const PressHandler&) = delete;

    ~PressHandler() override {
        if (connected_) {
            bus_.disconnect(kService, kComponentPath, kComponentInterface,
                            QStringLiteral("globalShortcutPressed"), this,
                            SLOT(pressed(QString, QString, qlonglong)));
        }
    }

    bool connected() const { return connected_; }

  private slots:
    // The signal comes from our component's object only; it carries every action of it.
    void pressed(const QString&, const QString& action, qlonglong) {
        if (action == kAction) {
            onPressed_();
        }
    }

  private:
    QDBusConnection bus_;
    std::function<void()> onPressed_;
    bool connected_ = false;
};

}  // namespace

KGlobalAccelShortcut::KGlobalAccelShortcut(QDBusConnection bus) : bus_(std::move(bus)) {}

bool KGlobalAccelShortcut::available(const QDBusConnection& bus) {
    // Running, not merely installed: the service file comes with any KDE program, and started
    // outside Plasma the service would grab keys on the X display only.
    const QDBusConnectionInterface* daemon = bus.interface();
    return daemon != nullptr && daemon->isServiceRegistered(kService);
}

std::unique_ptr<Registration> KGlobalAccelShortcut::registerHotKey() {
    const QDBusMessage registered = callService(bus_, QStringLiteral("doRegister"), {actionId()});
    if (registered.type() == QDBusMessage::ErrorMessage) {
        systemLog(
            "[Nabbit] Global shortcut Ctrl+Shift+E not registered: the desktop's shortcut "
            "service refused (" +
            registered.errorMessage().toStdString() + ")");
        return nullptr;
    }
    // From here on the action exists: dropping `action` takes it away again.
    auto action = std::make_unique<RegisteredAction>(bus_);
    const QList<int> keys{QKeyCombination(Qt::CTRL | Qt::SHIFT, Qt::Key_E).toCombined()};
    callService(bus_, QStringLiteral("setShortcut"),
                {actionId(), QVariant::fromValue(keys), kSetPresent | kIsDefault});
    // Without "no autoloading", the service answers with the keys the user chose, if any.
    const QDBusReply<QList<int>> active = callService(
        bus_, QStringLiteral("setShortcut"), {actionId(), QVariant::fromValue(keys), kSetPresent});
    if (!active.isValid()) {
        systemLog(
            "[Nabbit] Global shortcut Ctrl+Shift+E not registered: the desktop's shortcut "
            "service refused (" +
            active.error().message().toStdString() + ")");
        return nullptr;
    }
    const std::string bound = keysText(active.value());
    if (bound.empty()) {
        systemLog(
            "[Nabbit] Global shortcut Ctrl+Shift+E not registered: another program already uses "
            "it. Choose another key for Nabbit's \"Resync Messages\" in the desktop's shortcut "
            "settings.");
        return nullptr;
    }
    if (active.value() != keys) {
        systemLog("[Nabbit] Global shortcut: resync is bound to " + bound +
                  " in the desktop's shortcut settings");
    }
    return action;
}

std::unique_ptr<Registration> KGlobalAccelShortcut::installHandler(
    std::function<void()> onPressed) {
    auto handler = std::make_unique<PressHandler>(bus_, std::move(onPressed));
    if (!handler->connected()) {
        return nullptr;
    }
    return handler;
}

}  // namespace nabbit

#include "KGlobalAccelShortcut.moc"
