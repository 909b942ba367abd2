#include "platform/freedesktop/PortalRequest.h"

#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace nabbit {

namespace {

const QString kRequestInterface = QStringLiteral("org.freedesktop.portal.Request");

}  // namespace

const QString PortalRequest::kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString PortalRequest::kPath = QStringLiteral("/org/freedesktop/portal/desktop");

QString PortalRequest::newToken() {
    static int counter = 0;
    return QStringLiteral("nabbit%1").arg(++counter);
}

PortalRequest::PortalRequest(QDBusConnection bus, QObject* context, Done done)
    : QObject(context), bus_(std::move(bus)), done_(std::move(done)) {}

bool PortalRequest::follow(const QString& path) {
    if (!path_.isEmpty()) {
        bus_.disconnect(kService, path_, kRequestInterface, QStringLiteral("Response"), this,
                        SLOT(onResponse(uint, QVariantMap)));
    }
    path_ = path;
    return bus_.connect(kService, path_, kRequestInterface, QStringLiteral("Response"), this,
                        SLOT(onResponse(uint, QVariantMap)));
}

void PortalRequest::send(QDBusConnection bus, const QString& interface, const QString& method,
                         QVariantList arguments, QObject* context, Done done) {
    auto* request = new PortalRequest(bus, context, std::move(done));  // owned by `context`
    const QString token = newToken();
    QVariantMap options = arguments.isEmpty() ? QVariantMap() : arguments.takeLast().toMap();
    options.insert(QStringLiteral("handle_token"), token);
    arguments << options;
    // The request's path: the caller's unique name without its colon, dots as underscores.
    const QString sender = bus.baseService().mid(1).replace('.', '_');
    request->follow(kPath + QStringLiteral("/request/") + sender + '/' + token);

    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, interface, method);
    call.setArguments(arguments);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), request);
    connect(watcher, &QDBusPendingCallWatcher::finished, request, [request, watcher] {
        watcher->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
        if (reply.isError()) {
            request->finish({2, {}, reply.error().message()});
            return;
        }
        // Portals older than the predicted path answer on a path of their choosing.
        if (reply.value().path() != request->path_) {
            request->follow(reply.value().path());
        }
    });
}

void PortalRequest::onResponse(uint response, const QVariantMap& results) {
    finish({response, results, {}});
}

void PortalRequest::finish(const Answer& answer) {
    if (!done_) {
        return;
    }
    const Done done = std::move(done_);
    done_ = nullptr;
    deleteLater();
    done(answer);
}

}  // namespace nabbit
