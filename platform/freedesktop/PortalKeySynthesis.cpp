#include "platform/freedesktop/PortalKeySynthesis.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QVariantMap>

#include "core/Paths.h"
#include "core/SystemLog.h"
#include "core/UniqueFd.h"
#include "platform/freedesktop/PortalRequest.h"

namespace nabbit {

namespace {

const QString kInterface = QStringLiteral("org.freedesktop.portal.RemoteDesktop");
const QString kSessionInterface = QStringLiteral("org.freedesktop.portal.Session");
constexpr uint kKeyboard = 1;
// Kept until the user revokes it, across restarts of the desktop.
constexpr uint kPersistUntilRevoked = 2;
// evdev codes, as the portal takes them.
constexpr int kLeftControl = 29;
constexpr int kV = 47;
constexpr int kProbeTimeoutMs = 3000;

std::filesystem::path tokenFile() {
    return paths::stateHome() / "nabbit" / "remote-desktop.token";
}

QString readToken() {
    std::ifstream in(tokenFile());
    std::string token((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return QString::fromStdString(token).trimmed();
}

// Written beside and renamed over, mode 0600 from the start: the token lets whoever holds it
// type into the desktop.
void keepToken(const QString& token) {
    const auto file = tokenFile();
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    const auto temporary = file.string() + ".new";
    const UniqueFd fd(
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600));
    const std::string text = token.toStdString() + "\n";
    if (!fd || ::fchmod(fd.get(), 0600) != 0 ||
        ::write(fd.get(), text.data(), text.size()) != static_cast<ssize_t>(text.size()) ||
        ::fsync(fd.get()) != 0 || ::rename(temporary.c_str(), file.c_str()) != 0) {
        systemLog("[Nabbit] Could not keep the desktop's grant for auto-paste in " + file.string());
        std::filesystem::remove(temporary, ec);
    }
}

void forgetToken() {
    std::error_code ec;
    std::filesystem::remove(tokenFile(), ec);
}

QString handleOf(const QVariant& value) {
    if (value.canConvert<QDBusObjectPath>()) {
        return value.value<QDBusObjectPath>().path();
    }
    return value.toString();
}

}  // namespace

PortalKeySynthesis::PortalKeySynthesis(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus_(std::move(bus)) {}

PortalKeySynthesis::~PortalKeySynthesis() {
    close();
}

bool PortalKeySynthesis::available(const QDBusConnection& bus) {
    QDBusMessage get = QDBusMessage::createMethodCall(
        PortalRequest::kService, PortalRequest::kPath,
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << kInterface << QStringLiteral("version");
    return bus.call(get, QDBus::Block, kProbeTimeoutMs).type() == QDBusMessage::ReplyMessage;
}

void PortalKeySynthesis::resume() {
    if (state_ == State::granted || state_ == State::starting) {
        return;
    }
    if (readToken().isEmpty()) {
        setState(State::needsConsent);
        return;
    }
    start();
}

void PortalKeySynthesis::requestConsent() {
    if (state_ == State::granted || state_ == State::starting) {
        return;
    }
    start();
}

void PortalKeySynthesis::setState(State state) {
    if (state_ != state) {
        state_ = state;
        emit stateChanged(state);
    }
}

void PortalKeySynthesis::start() {
    setState(State::starting);
    const auto failed = [this](const char* step, const PortalRequest::Answer& answer) {
        close();
        if (answer.response == 1) {
            systemLog(std::string("[Nabbit] Auto-paste not allowed: the permission to type keys "
                                  "was refused (") +
                      step + ")");
            forgetToken();
        } else {
            systemLog(std::string("[Nabbit] Auto-paste not allowed: the desktop portal failed (") +
                      step + (answer.error.isEmpty() ? "" : ": " + answer.error.toStdString()) +
                      ")");
        }
        setState(State::refused);
    };
    PortalRequest::send(
        bus_, kInterface, QStringLiteral("CreateSession"),
        {QVariantMap{{QStringLiteral("session_handle_token"), PortalRequest::newToken()}}}, this,
        [this, failed](const PortalRequest::Answer& created) {
            if (created.response != 0) {
                failed("CreateSession", created);
                return;
            }
            session_ = handleOf(created.results.value(QStringLiteral("session_handle")));
            bus_.connect(PortalRequest::kService, session_, kSessionInterface,
                         QStringLiteral("Closed"), this, SLOT(sessionClosed()));
            QVariantMap devices{{QStringLiteral("types"), kKeyboard},
                                {QStringLiteral("persist_mode"), kPersistUntilRevoked}};
            if (const QString token = readToken(); !token.isEmpty()) {
                devices.insert(QStringLiteral("restore_token"), token);
            }
            PortalRequest::send(
                bus_, kInterface, QStringLiteral("SelectDevices"),
                {QVariant::fromValue(QDBusObjectPath(session_)), devices}, this,
                [this, failed](const PortalRequest::Answer& selected) {
                    if (selected.response != 0) {
                        failed("SelectDevices", selected);
                        return;
                    }
                    PortalRequest::send(
                        bus_, kInterface, QStringLiteral("Start"),
                        {QVariant::fromValue(QDBusObjectPath(session_)), QString(), QVariantMap()},
                        this, [this, failed](const PortalRequest::Answer& started) {
                            if (started.response != 0) {
                                failed("Start", started);
                                return;
                            }
                            const QString token =
                                started.results.value(QStringLiteral("restore_token")).toString();
                            if (!token.isEmpty()) {
                                keepToken(token);
                            }
                            systemLog("[Nabbit] Auto-paste through the desktop portal: allowed");
                            setState(State::granted);
                        });
                });
        });
}

bool PortalKeySynthesis::sendPaste() {
    if (state_ != State::granted) {
        systemLog(
            "[Nabbit] Auto-paste skipped: Nabbit may not type keys yet; allow it from the "
            "permission row of Nabbit's window");
        return false;
    }
    for (const auto& [key, pressed] :
         {std::pair{kLeftControl, 1U}, {kV, 1U}, {kV, 0U}, {kLeftControl, 0U}}) {
        QDBusMessage call =
            QDBusMessage::createMethodCall(PortalRequest::kService, PortalRequest::kPath,
                                           kInterface, QStringLiteral("NotifyKeyboardKeycode"));
        call << QVariant::fromValue(QDBusObjectPath(session_)) << QVariantMap() << key << pressed;
        if (!bus_.send(call)) {
            return false;
        }
    }
    return true;
}

void PortalKeySynthesis::sessionClosed() {
    session_.clear();
    systemLog("[Nabbit] Auto-paste not allowed: the desktop ended the permission to type keys");
    forgetToken();
    setState(State::needsConsent);
}

void PortalKeySynthesis::close() {
    if (session_.isEmpty()) {
        return;
    }
    bus_.disconnect(PortalRequest::kService, session_, kSessionInterface, QStringLiteral("Closed"),
                    this, SLOT(sessionClosed()));
    bus_.call(QDBusMessage::createMethodCall(PortalRequest::kService, session_, kSessionInterface,
                                             QStringLiteral("Close")),
              QDBus::NoBlock);
    session_.clear();
}

}  // namespace nabbit
