#include "platform/freedesktop/DBusNotificationMonitor.h"

#include <dbus/dbus.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

namespace nabbit {

namespace {

constexpr int kBecomeMonitorTimeoutMs = 2000;
constexpr int kCredentialsTimeoutMs = 1000;
constexpr std::size_t kPendingCallLimit = 256;
constexpr std::size_t kPortalApplicationLimit = 256;

constexpr const char* kNotifications = "org.freedesktop.Notifications";
constexpr const char* kGtkNotifications = "org.gtk.Notifications";
constexpr const char* kPortalNotification = "org.freedesktop.portal.Notification";

// Everything the monitor needs to see, and nothing else.
constexpr const char* kMatchRules[] = {
    "type='method_call',interface='org.freedesktop.Notifications',member='Notify'",
    "type='method_call',interface='org.gtk.Notifications',member='AddNotification'",
    "type='method_call',interface='org.freedesktop.portal.Notification',member='AddNotification'",
    "type='method_return',sender='org.freedesktop.Notifications'",
};

class Error {
  public:
    Error() { dbus_error_init(&error_); }
    ~Error() { dbus_error_free(&error_); }
    Error(const Error&) = delete;
    Error& operator=(const Error&) = delete;

    DBusError* get() { return &error_; }
    bool isSet() const { return dbus_error_is_set(&error_) != 0; }
    std::string text() const {
        return std::string(error_.name != nullptr ? error_.name : "") + ": " +
               (error_.message != nullptr ? error_.message : "");
    }

  private:
    DBusError error_;
};

struct MessageDeleter {
    void operator()(DBusMessage* message) const { dbus_message_unref(message); }
};
using MessagePtr = std::unique_ptr<DBusMessage, MessageDeleter>;

// Argument readers: anything of another type than expected reads as nothing.
std::optional<std::string> readString(DBusMessageIter& it) {
    if (dbus_message_iter_get_arg_type(&it) != DBUS_TYPE_STRING) {
        return std::nullopt;
    }
    const char* text = nullptr;
    dbus_message_iter_get_basic(&it, &text);
    return std::string(text != nullptr ? text : "");
}

std::optional<std::uint32_t> readUint32(DBusMessageIter& it) {
    if (dbus_message_iter_get_arg_type(&it) != DBUS_TYPE_UINT32) {
        return std::nullopt;
    }
    dbus_uint32_t value = 0;
    dbus_message_iter_get_basic(&it, &value);
    return value;
}

// The text values of an a{sv} dictionary's keys that `wanted` accepts.
template <class Wanted>
std::map<std::string, std::string> readTextEntries(DBusMessageIter& it, Wanted wanted) {
    std::map<std::string, std::string> found;
    if (dbus_message_iter_get_arg_type(&it) != DBUS_TYPE_ARRAY ||
        dbus_message_iter_get_element_type(&it) != DBUS_TYPE_DICT_ENTRY) {
        return found;
    }
    DBusMessageIter entries;
    dbus_message_iter_recurse(&it, &entries);
    while (dbus_message_iter_get_arg_type(&entries) == DBUS_TYPE_DICT_ENTRY) {
        DBusMessageIter entry;
        dbus_message_iter_recurse(&entries, &entry);
        const auto key = readString(entry);
        if (key && wanted(*key) && dbus_message_iter_next(&entry) &&
            dbus_message_iter_get_arg_type(&entry) == DBUS_TYPE_VARIANT) {
            DBusMessageIter value;
            dbus_message_iter_recurse(&entry, &value);
            if (auto text = readString(value)) {
                found[*key] = std::move(*text);
            }
        }
        dbus_message_iter_next(&entries);
    }
    return found;
}

std::string callKey(const std::string& caller, dbus_uint32_t serial) {
    return caller + "#" + std::to_string(serial);
}

std::string readFirstLine(const std::string& path) {
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    return line;
}

// What the process tells of the application it belongs to: a Flatpak's application id, a
// Snap's name, else the program's name; empty when the process is gone.
std::string applicationOfProcess(std::uint32_t pid) {
    const std::string proc = "/proc/" + std::to_string(pid);
    std::ifstream flatpakInfo(proc + "/root/.flatpak-info");
    bool inApplication = false;
    for (std::string line; std::getline(flatpakInfo, line);) {
        if (!line.empty() && line.front() == '[') {
            inApplication = line == "[Application]";
        } else if (inApplication && line.rfind("name=", 0) == 0 && line.size() > 5) {
            return line.substr(5);
        }
    }
    std::ifstream cgroup(proc + "/cgroup");
    for (std::string line; std::getline(cgroup, line);) {
        // ".../snap.<name>.<app>-<uuid>.scope"
        const auto snap = line.find("/snap.");
        if (snap != std::string::npos) {
            const auto start = snap + 6;
            const auto end = line.find('.', start);
            if (end != std::string::npos && end > start) {
                return line.substr(start, end - start);
            }
        }
    }
    std::error_code ec;
    const auto executable = std::filesystem::read_symlink(proc + "/exe", ec);
    if (!ec && !executable.filename().empty()) {
        return executable.filename().string();
    }
    return readFirstLine(proc + "/comm");
}

DBusHandlerResult filter(DBusConnection*, DBusMessage* message, void* monitor) {
    static_cast<DBusNotificationMonitor*>(monitor)->receive(message);
    // Always handled: a monitor must never answer, and libdbus answers a method call that no
    // handler took with an error of its own.
    return DBUS_HANDLER_RESULT_HANDLED;
}

}  // namespace

void DBusNotificationMonitor::ConnectionDeleter::operator()(DBusConnection* connection) const {
    dbus_connection_close(connection);  // a private connection is closed before its last unref
    dbus_connection_unref(connection);
}

DBusNotificationMonitor::DBusNotificationMonitor(std::string address, QObject* parent)
    : QObject(parent), address_(std::move(address)) {
    reconnectTimer_.setSingleShot(true);
    QObject::connect(&reconnectTimer_, &QTimer::timeout, this, &DBusNotificationMonitor::reconnect);
}

DBusNotificationMonitor::~DBusNotificationMonitor() {
    stop();
}

DBusNotificationMonitor::Connection DBusNotificationMonitor::connect(std::string& error) const {
    Error failure;
    Connection connection;
    if (address_.empty()) {
        connection.reset(dbus_bus_get_private(DBUS_BUS_SESSION, failure.get()));
    } else {
        connection.reset(dbus_connection_open_private(address_.c_str(), failure.get()));
        if (connection && !dbus_bus_register(connection.get(), failure.get())) {
            connection.reset();
        }
    }
    if (!connection) {
        error = failure.isSet() ? failure.text() : std::string("no D-Bus session bus");
        return {};
    }
    // The bus going away ends the monitoring, never the program.
    dbus_connection_set_exit_on_disconnect(connection.get(), FALSE);
    return connection;
}

std::optional<std::string> DBusNotificationMonitor::start(Observer observer) {
    stop();
    observer_ = std::move(observer);
    return open();
}

std::optional<std::string> DBusNotificationMonitor::open() {
    std::string error;
    Connection connection = connect(error);
    if (!connection) {
        return error;
    }
    MessagePtr call(dbus_message_new_method_call(
        DBUS_SERVICE_DBUS, DBUS_PATH_DBUS, "org.freedesktop.DBus.Monitoring", "BecomeMonitor"));
    if (!call) {
        return std::string("out of memory");
    }
    DBusMessageIter arguments;
    DBusMessageIter rules;
    dbus_message_iter_init_append(call.get(), &arguments);
    dbus_message_iter_open_container(&arguments, DBUS_TYPE_ARRAY, DBUS_TYPE_STRING_AS_STRING,
                                     &rules);
    for (const char* rule : kMatchRules) {
        dbus_message_iter_append_basic(&rules, DBUS_TYPE_STRING, &rule);
    }
    dbus_message_iter_close_container(&arguments, &rules);
    const dbus_uint32_t flags = 0;
    dbus_message_iter_append_basic(&arguments, DBUS_TYPE_UINT32, &flags);
    // The filter is in place before the answer: what the bus sends right after it is kept.
    dbus_connection_add_filter(connection.get(), &filter, this, nullptr);
    Error failure;
    MessagePtr reply(dbus_connection_send_with_reply_and_block(
        connection.get(), call.get(), kBecomeMonitorTimeoutMs, failure.get()));
    if (!reply) {
        return failure.isSet() ? failure.text() : std::string("BecomeMonitor failed");
    }
    int fd = -1;
    if (!dbus_connection_get_unix_fd(connection.get(), &fd)) {
        return std::string("the bus connection has no socket");
    }

    if (address_.empty() ||
        qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS").toStdString() == address_) {
        ownSender_ = QDBusConnection::sessionBus().baseService().toStdString();
    }
    connection_ = std::move(connection);
    notifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, this,
                     &DBusNotificationMonitor::readIncoming);
    // Messages that came in with the answer are already read from the socket.
    QMetaObject::invokeMethod(
        this,
        [this, generation = generation_] {
            if (generation == generation_) {
                readIncoming();
            }
        },
        Qt::QueuedConnection);
    return std::nullopt;
}

void DBusNotificationMonitor::stop() {
    reconnectTimer_.stop();
    reconnectDelay_ = kFirstReconnectDelay;
    close();
}

void DBusNotificationMonitor::close() {
    ++generation_;
    notifier_.reset();
    if (connection_) {
        dbus_connection_remove_filter(connection_.get(), &filter, this);
        connection_.reset();
    }
    pendingCalls_.clear();
    lostPending_ = false;
}

void DBusNotificationMonitor::readIncoming() {
    if (!connection_) {
        return;
    }
    dbus_connection_read_write(connection_.get(), 0);
    while (connection_ &&
           dbus_connection_dispatch(connection_.get()) == DBUS_DISPATCH_DATA_REMAINS) {
    }
    if (lostPending_ || (connection_ && !dbus_connection_get_is_connected(connection_.get()))) {
        disconnected();
    }
}

void DBusNotificationMonitor::disconnected() {
    close();
    // The bus may come back (a restarted session bus, a broker that dropped us): try again,
    // waiting longer after each failure.
    reconnectTimer_.start(reconnectDelay_);
    if (observer_.lost) {
        observer_.lost("the connection to the session bus ended");
    }
}

void DBusNotificationMonitor::reconnect() {
    if (auto refused = open()) {
        reconnectDelay_ = std::min(reconnectDelay_ * 2, kLastReconnectDelay);
        reconnectTimer_.start(reconnectDelay_);
        return;
    }
    reconnectDelay_ = kFirstReconnectDelay;
    if (observer_.resumed) {
        observer_.resumed();
    }
}

void DBusNotificationMonitor::receive(DBusMessage* message) {
    const char* senderName = dbus_message_get_sender(message);
    const std::string sender = senderName != nullptr ? senderName : "";
    switch (dbus_message_get_type(message)) {
        case DBUS_MESSAGE_TYPE_METHOD_CALL:
            if (!ownSender_.empty() && sender == ownSender_) {
                return;  // Nabbit's own notification
            }
            if (dbus_message_is_method_call(message, kNotifications, "Notify")) {
                onNotify(message, sender);
            } else if (dbus_message_is_method_call(message, kGtkNotifications, "AddNotification")) {
                onGtkNotification(message);
            } else if (dbus_message_is_method_call(message, kPortalNotification,
                                                   "AddNotification")) {
                onPortalNotification(message, sender);
            }
            return;
        case DBUS_MESSAGE_TYPE_METHOD_RETURN:
            onReply(message);
            return;
        case DBUS_MESSAGE_TYPE_SIGNAL:
            if (dbus_message_is_signal(message, DBUS_INTERFACE_LOCAL, "Disconnected")) {
                // Not torn down here: libdbus is still dispatching on the connection.
                lostPending_ = true;
            }
            return;
        default:
            return;
    }
}

// Notify(app_name s, replaces_id u, app_icon s, summary s, body s, actions as, hints a{sv},
// expire_timeout i)
void DBusNotificationMonitor::onNotify(DBusMessage* message, const std::string& sender) {
    DBusMessageIter it;
    if (!dbus_message_iter_init(message, &it)) {
        return;
    }
    const auto application = readString(it);
    std::uint32_t replacesId = 0;
    if (!application || !dbus_message_iter_next(&it)) {
        return;
    }
    if (const auto id = readUint32(it)) {
        replacesId = *id;
    } else {
        return;
    }
    const auto icon = dbus_message_iter_next(&it) ? readString(it) : std::nullopt;
    const auto summary = dbus_message_iter_next(&it) ? readString(it) : std::nullopt;
    const auto body = dbus_message_iter_next(&it) ? readString(it) : std::nullopt;
    if (!icon || !summary || !body) {
        return;
    }
    ObservedNotification notification;
    notification.via = ObservedNotification::Interface::freedesktop;
    notification.application = application->empty() ? sender : *application;
    notification.summary = *summary;
    notification.body = *body;
    notification.bodyIsMarkup = true;
    if (replacesId != 0) {
        notification.slot = "freedesktop:" + std::to_string(replacesId);
    }
    if ((dbus_message_get_no_reply(message) == 0) && !sender.empty()) {
        notification.call = callKey(sender, dbus_message_get_serial(message));
        rememberCall(notification.call);
    }
    deliver(notification);
}

// AddNotification(application_id s, id s, notification a{sv})
void DBusNotificationMonitor::onGtkNotification(DBusMessage* message) {
    DBusMessageIter it;
    if (!dbus_message_iter_init(message, &it)) {
        return;
    }
    const auto application = readString(it);
    const auto id = dbus_message_iter_next(&it) ? readString(it) : std::nullopt;
    if (!application || application->empty() || !id || !dbus_message_iter_next(&it)) {
        return;
    }
    auto texts =
        readTextEntries(it, [](const std::string& key) { return key == "title" || key == "body"; });
    ObservedNotification notification;
    notification.via = ObservedNotification::Interface::gtk;
    notification.application = *application;
    notification.summary = texts["title"];
    notification.body = texts["body"];
    notification.slot = "gtk:" + *application + "/" + *id;
    deliver(notification);
}

// AddNotification(id s, notification a{sv}); a newer portal may send "markup-body" instead of
// "body".
void DBusNotificationMonitor::onPortalNotification(DBusMessage* message,
                                                   const std::string& sender) {
    DBusMessageIter it;
    if (!dbus_message_iter_init(message, &it) || sender.empty()) {
        return;
    }
    const auto id = readString(it);
    if (!id || !dbus_message_iter_next(&it)) {
        return;
    }
    auto texts = readTextEntries(it, [](const std::string& key) {
        return key == "title" || key == "body" || key == "markup-body";
    });
    ObservedNotification notification;
    notification.via = ObservedNotification::Interface::portal;
    notification.summary = texts["title"];
    const bool markup = texts.count("markup-body") != 0 && texts.count("body") == 0;
    notification.body = markup ? texts["markup-body"] : texts["body"];
    notification.bodyIsMarkup = markup;
    notification.slot = "portal:" + sender + "/" + *id;
    notifyWithApplicationOf(sender, std::move(notification));
}

void DBusNotificationMonitor::onReply(DBusMessage* message) {
    const char* destination = dbus_message_get_destination(message);
    if (destination == nullptr || pendingCalls_.empty()) {
        return;
    }
    const std::string call = callKey(destination, dbus_message_get_reply_serial(message));
    const auto pending = std::find(pendingCalls_.begin(), pendingCalls_.end(), call);
    if (pending == pendingCalls_.end()) {
        return;
    }
    pendingCalls_.erase(pending);
    DBusMessageIter it;
    if (!dbus_message_iter_init(message, &it)) {
        return;
    }
    if (const auto id = readUint32(it); id && *id != 0 && observer_.slotAssigned) {
        observer_.slotAssigned(call, "freedesktop:" + std::to_string(*id));
    }
}

void DBusNotificationMonitor::rememberCall(const std::string& call) {
    pendingCalls_.push_back(call);
    if (pendingCalls_.size() > kPendingCallLimit) {
        pendingCalls_.pop_front();
    }
}

void DBusNotificationMonitor::notifyWithApplicationOf(const std::string& sender,
                                                      ObservedNotification notification) {
    if (const auto known = portalApplications_.find(sender); known != portalApplications_.end()) {
        notification.application = known->second;
        deliver(notification);
        return;
    }
    QDBusConnection bus = address_.empty()
                              ? QDBusConnection::sessionBus()
                              : QDBusConnection::connectToBus(QString::fromStdString(address_),
                                                              QStringLiteral("nabbit-monitor"));
    QDBusMessage ask = QDBusMessage::createMethodCall(
        QStringLiteral(DBUS_SERVICE_DBUS), QStringLiteral(DBUS_PATH_DBUS),
        QStringLiteral(DBUS_INTERFACE_DBUS), QStringLiteral("GetConnectionUnixProcessID"));
    ask << QString::fromStdString(sender);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(ask, kCredentialsTimeoutMs), this);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, this,
                     [this, sender, notification = std::move(notification),
                      generation = generation_](QDBusPendingCallWatcher* finished) mutable {
                         finished->deleteLater();
                         if (generation != generation_) {
                             return;
                         }
                         const QDBusPendingReply<uint> reply = *finished;
                         std::string application;
                         if (!reply.isError()) {
                             application = applicationOfProcess(reply.value());
                         }
                         // The bus could not tell (the sender left already): its bus name stands
                         // in.
                         notification.application = application.empty() ? sender : application;
                         if (!application.empty()) {
                             if (portalApplications_.size() >= kPortalApplicationLimit) {
                                 portalApplications_.clear();
                             }
                             portalApplications_[sender] = application;
                         }
                         deliver(notification);
                     });
}

void DBusNotificationMonitor::deliver(const ObservedNotification& notification) const {
    if (observer_.notified) {
        observer_.notified(notification);
    }
}

}  // namespace nabbit
