#include "StandInPortal.h"

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QMutexLocker>

namespace nabbit::test {

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");

}  // namespace

StandInPortal::StandInPortal(QStringList interfaces)
    : bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                         QStringLiteral("stand-in-portal"))),
      interfaces_(std::move(interfaces)) {
    // Registered before the move: the bus gives the object a child, which must be made in the
    // object's own thread and then moves with it.
    running_ = bus_.isConnected() &&
               bus_.registerVirtualObject(kPath, this, QDBusConnection::SubPath) &&
               bus_.registerService(kService);
    thread_.start();
    moveToThread(&thread_);
}

StandInPortal::~StandInPortal() {
    bus_.unregisterService(kService);
    bus_.unregisterObject(kPath, QDBusConnection::UnregisterTree);
    QDBusConnection::disconnectFromBus(QStringLiteral("stand-in-portal"));
    thread_.quit();
    thread_.wait();
}

QString StandInPortal::objectPath(const QString& kind, const QString& sender,
                                  const QString& token) {
    return kPath + '/' + kind + '/' + QString(sender).mid(1).replace('.', '_') + '/' + token;
}

void StandInPortal::setHandler(const QString& method, Handler handler) {
    QMutexLocker lock(&mutex_);
    handlers_[method] = std::move(handler);
}

QStringList StandInPortal::calls() const {
    QMutexLocker lock(&mutex_);
    return calls_;
}

void StandInPortal::clearCalls() {
    QMutexLocker lock(&mutex_);
    calls_.clear();
}

QList<QVariant> StandInPortal::lastArguments(const QString& method) const {
    QMutexLocker lock(&mutex_);
    return arguments_.value(method);
}

void StandInPortal::emitSignal(const QString& path, const QString& interface, const QString& name,
                               const QVariantList& arguments) {
    QDBusMessage signal = QDBusMessage::createSignal(path, interface, name);
    signal.setArguments(arguments);
    bus_.send(signal);
}

QString StandInPortal::introspect(const QString&) const {
    return {};
}

bool StandInPortal::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
    if (message.type() != QDBusMessage::MethodCallMessage) {
        return false;
    }
    if (message.interface() == QStringLiteral("org.freedesktop.DBus.Properties") &&
        message.member() == QStringLiteral("Get")) {
        const QString interface = message.arguments().value(0).toString();
        if (!interfaces_.contains(interface)) {
            connection.send(message.createErrorReply(QDBusError::UnknownInterface, interface));
        } else {
            connection.send(message.createReply(QVariant::fromValue(QDBusVariant(1U))));
        }
        return true;
    }
    const QString method = message.interface() + '.' + message.member();
    Handler handler;
    {
        QMutexLocker lock(&mutex_);
        calls_ << method;
        arguments_[method] = message.arguments();
        handler = handlers_.value(method);
    }
    if (message.interface() == QStringLiteral("org.freedesktop.portal.Session")) {
        connection.send(message.createReply());
        return true;
    }
    if (!handler) {
        connection.send(message.createErrorReply(QDBusError::UnknownMethod, method));
        return true;
    }
    // Request methods: the options map, last, carries the request's token.
    const QVariantMap options = qdbus_cast<QVariantMap>(message.arguments().constLast());
    const QString request = objectPath(QStringLiteral("request"), message.service(),
                                       options.value(QStringLiteral("handle_token")).toString());
    const Answer answer = handler(message);
    connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
    QDBusMessage response = QDBusMessage::createSignal(
        request, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
    response << answer.response << answer.results;
    connection.send(response);
    return true;
}

}  // namespace nabbit::test
