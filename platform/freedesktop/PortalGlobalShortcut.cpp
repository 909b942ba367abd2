#include "platform/freedesktop/PortalGlobalShortcut.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QList>
#include <QObject>
#include <optional>

#include "core/SystemLog.h"
#include "platform/freedesktop/PortalRequest.h"
#include "platform/freedesktop/PortalShortcut.h"

namespace nabbit {
namespace {

const QString kInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kShortcutId = QStringLiteral("resync");
// The desktop's first asking of the portal may start it.
constexpr int kProbeTimeoutMs = 3000;

// The trigger the desktop chose for our shortcut in a "shortcuts" result, if it is there.
std::optional<QString> ourTrigger(const QVariantMap& results) {
    const QVariant value = results.value(QStringLiteral("shortcuts"));
    if (!value.canConvert<QDBusArgument>()) {
        return std::nullopt;
    }
    QList<PortalShortcut> shortcuts;
    value.value<QDBusArgument>() >> shortcuts;
    for (const PortalShortcut& shortcut : shortcuts) {
        if (shortcut.id == kShortcutId) {
            return shortcut.properties.value(QStringLiteral("trigger_description")).toString();
        }
    }
    return std::nullopt;
}

QString handleOf(const QVariant& value) {
    if (value.canConvert<QDBusObjectPath>()) {
        return value.value<QDBusObjectPath>().path();
    }
    return value.toString();
}

void logRefusal(const std::string& step, const PortalRequest::Answer& answer) {
    std::string why = answer.response == 1 ? "the user cancelled" : "the portal refused";
    if (!answer.error.isEmpty()) {
        why += " (" + answer.error.toStdString() + ")";
    }
    systemLog("[Nabbit] Global shortcut Ctrl+Shift+E not registered: " + step + ": " + why +
              ". Bind `nabbit resync` in the desktop's shortcut settings instead.");
}

// A session of the portal with our shortcut bound, for as long as it lives.
class PortalSession final : public QObject, public Registration {
  public:
    PortalSession(QDBusConnection bus, std::shared_ptr<QString> current,
                  std::shared_ptr<bool> bound)
        : bus_(std::move(bus)), current_(std::move(current)), bound_(std::move(bound)) {
        PortalRequest::send(
            bus_, kInterface, QStringLiteral("CreateSession"),
            {QVariantMap{{QStringLiteral("session_handle_token"), PortalRequest::newToken()}}},
            this, [this](const PortalRequest::Answer& answer) {
                if (answer.response != 0) {
                    logRefusal("no shortcut session", answer);
                    return;
                }
                handle_ = handleOf(answer.results.value(QStringLiteral("session_handle")));
                *current_ = handle_;
                list();
            });
    }
    PortalSession(const PortalSession&) = delete;
    PortalSession& operator=(const PortalSession&) = delete;

    ~PortalSession() override {
        if (handle_.isEmpty()) {
            return;
        }
        if (*current_ == handle_) {
            current_->clear();
            *bound_ = false;
        }
        bus_.call(QDBusMessage::createMethodCall(PortalRequest::kService, handle_,
                                                 QStringLiteral("org.freedesktop.portal.Session"),
                                                 QStringLiteral("Close")),
                  QDBus::NoBlock);
    }

  private:
    // A binding made in an earlier session is kept: binding again could ask the user again.
    void list() {
        PortalRequest::send(bus_, kInterface, QStringLiteral("ListShortcuts"),
                            {QVariant::fromValue(QDBusObjectPath(handle_)), QVariantMap()}, this,
                            [this](const PortalRequest::Answer& answer) {
                                if (!takeBinding(answer)) {
                                    bind();
                                }
                            });
    }

    void bind() {
        PortalShortcut::registerTypes();
        const QList<PortalShortcut> shortcuts{
            {kShortcutId,
             {{QStringLiteral("description"), QStringLiteral("Resync Messages")},
              {QStringLiteral("preferred_trigger"), QStringLiteral("CTRL+SHIFT+e")}}}};
        PortalRequest::send(bus_, kInterface, QStringLiteral("BindShortcuts"),
                            {QVariant::fromValue(QDBusObjectPath(handle_)),
                             QVariant::fromValue(shortcuts), QString(), QVariantMap()},
                            this, [this](const PortalRequest::Answer& answer) {
                                if (!takeBinding(answer)) {
                                    logRefusal("the shortcut was not bound", answer);
                                }
                            });
    }

    // Whether the answer holds our shortcut's binding; it is then ours and logged.
    bool takeBinding(const PortalRequest::Answer& answer) {
        const auto trigger = answer.response == 0 ? ourTrigger(answer.results) : std::nullopt;
        if (trigger) {
            *bound_ = true;
            logBound(*trigger);
        }
        return trigger.has_value();
    }

    static void logBound(const QString& trigger) {
        systemLog("[Nabbit] Global shortcut: resync is bound to " +
                  (trigger.isEmpty() ? std::string("a key of the desktop's choice")
                                     : trigger.toStdString()) +
                  " through the desktop portal");
    }

    QDBusConnection bus_;
    std::shared_ptr<QString> current_;
    std::shared_ptr<bool> bound_;
    QString handle_;
};

class ActivationHandler final : public QObject, public Registration {
    Q_OBJECT

  public:
    ActivationHandler(QDBusConnection bus, std::shared_ptr<QString> session,
                      std::function<void()> onPressed)
        : bus_(std::move(bus)), session_(std::move(session)), onPressed_(std::move(onPressed)) {
        connected_ = bus_.connect(
            PortalRequest::kService, PortalRequest::kPath, kInterface, QStringLiteral("Activated"),
            this, SLOT(activated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    }
    ActivationHandler(const ActivationHandler&) = delete;
    ActivationHandler& operator=(const ActivationHandler&) = delete;

    bool connected() const { return connected_; }

  private slots:
    void activated(const QDBusObjectPath& session, const QString& id, qulonglong,
                   const QVariantMap&) {
        if (!session_->isEmpty() && session.path() == *session_ && id == kShortcutId) {
            onPressed_();
        }
    }

  private:
    QDBusConnection bus_;
    std::shared_ptr<QString> session_;
    std::function<void()> onPressed_;
    bool connected_ = false;
};

}  // namespace

PortalGlobalShortcut::PortalGlobalShortcut(QDBusConnection bus)
    : bus_(std::move(bus)),
      session_(std::make_shared<QString>()),
      bound_(std::make_shared<bool>(false)) {}

bool PortalGlobalShortcut::available(const QDBusConnection& bus) {
    QDBusMessage get = QDBusMessage::createMethodCall(
        PortalRequest::kService, PortalRequest::kPath,
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << kInterface << QStringLiteral("version");
    const QDBusMessage reply = bus.call(get, QDBus::Block, kProbeTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

std::unique_ptr<Registration> PortalGlobalShortcut::registerHotKey() {
    return std::make_unique<PortalSession>(bus_, session_, bound_);
}

std::unique_ptr<Registration> PortalGlobalShortcut::installHandler(
    std::function<void()> onPressed) {
    auto handler = std::make_unique<ActivationHandler>(bus_, session_, std::move(onPressed));
    if (!handler->connected()) {
        return nullptr;
    }
    return handler;
}

}  // namespace nabbit

#include "PortalGlobalShortcut.moc"
