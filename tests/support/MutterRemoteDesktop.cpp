#include "MutterRemoteDesktop.h"

#include <poll.h>
#include <unistd.h>

#include <chrono>

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QUuid>

namespace nabbit::test {

namespace {

const QString kService = QStringLiteral("org.gnome.Mutter.RemoteDesktop");
const QString kSessionInterface = QStringLiteral("org.gnome.Mutter.RemoteDesktop.Session");
constexpr int kCallTimeoutMs = 5000;

}  // namespace

std::unique_ptr<MutterRemoteDesktop> MutterRemoteDesktop::open(const QString& busAddress,
                                                               std::string& why) {
    const QString name = "mutter-rd-" + QUuid::createUuid().toString(QUuid::Id128);
    QDBusConnection bus = QDBusConnection::connectToBus(busAddress, name);
    if (!bus.isConnected()) {
        why = "cannot reach the session bus: " + bus.lastError().message().toStdString();
        QDBusConnection::disconnectFromBus(name);
        return nullptr;
    }
    std::unique_ptr<MutterRemoteDesktop> desktop(new MutterRemoteDesktop(bus, name));
    QDBusMessage create = QDBusMessage::createMethodCall(
        kService, "/org/gnome/Mutter/RemoteDesktop", kService, "CreateSession");
    const QDBusMessage reply = bus.call(create, QDBus::Block, kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        why = "no RemoteDesktop session: " + reply.errorMessage().toStdString();
        return nullptr;
    }
    desktop->session_ = reply.arguments().front().value<QDBusObjectPath>().path();
    if (!desktop->call("Start", {}) || !desktop->call("EnableClipboard", {QVariantMap{}})) {
        why = "the RemoteDesktop session did not start";
        return nullptr;
    }
    return desktop;
}

MutterRemoteDesktop::MutterRemoteDesktop(QDBusConnection bus, QString connectionName)
    : bus_(std::move(bus)), connectionName_(std::move(connectionName)) {}

MutterRemoteDesktop::~MutterRemoteDesktop() {
    if (!session_.isEmpty()) {
        call("Stop", {});
    }
    bus_ = QDBusConnection(QString());
    QDBusConnection::disconnectFromBus(connectionName_);
}

bool MutterRemoteDesktop::call(const QString& method, const QVariantList& arguments,
                               QDBusMessage* reply) {
    QDBusMessage message =
        QDBusMessage::createMethodCall(kService, session_, kSessionInterface, method);
    message.setArguments(arguments);
    const QDBusMessage answer = bus_.call(message, QDBus::Block, kCallTimeoutMs);
    if (reply != nullptr) {
        *reply = answer;
    }
    return answer.type() == QDBusMessage::ReplyMessage;
}

bool MutterRemoteDesktop::keysym(unsigned keysym, bool pressed) {
    return call("NotifyKeyboardKeysym", {keysym, pressed});
}

std::optional<std::string> MutterRemoteDesktop::readClipboard(const std::string& mimeType,
                                                              int timeoutMs) {
    QDBusMessage reply;
    if (!call("SelectionRead", {QString::fromStdString(mimeType)}, &reply) ||
        reply.arguments().isEmpty()) {
        return std::nullopt;
    }
    const auto fd = reply.arguments().front().value<QDBusUnixFileDescriptor>();
    if (!fd.isValid()) {
        return std::nullopt;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string data;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        pollfd pipe{.fd = fd.fileDescriptor(), .events = POLLIN, .revents = 0};
        if (left <= 0 || ::poll(&pipe, 1, static_cast<int>(left)) <= 0) {
            return std::nullopt;
        }
        char buffer[4096];
        const ssize_t count = ::read(fd.fileDescriptor(), buffer, sizeof buffer);
        if (count <= 0) {
            return count == 0 ? std::optional<std::string>(data) : std::nullopt;
        }
        data.append(buffer, static_cast<std::size_t>(count));
    }
}

}  // namespace nabbit::test
