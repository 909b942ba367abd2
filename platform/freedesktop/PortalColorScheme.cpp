#include "platform/freedesktop/PortalColorScheme.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>

namespace nabbit {

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString kGroup = QStringLiteral("org.freedesktop.appearance");
const QString kKey = QStringLiteral("color-scheme");

// Portal answers may arrive wrapped in one variant more than the interface says.
QVariant unwrap(QVariant value) {
    while (value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>()) {
        value = value.value<QDBusVariant>().variant();
    }
    return value;
}

}  // namespace

PortalColorScheme::PortalColorScheme(QObject* parent) : QObject(parent) {
    const QByteArray chosen = qgetenv("NABBIT_COLOR_SCHEME").toLower();
    if (chosen == "dark" || chosen == "light") {
        overridden_ = true;
        current_ = chosen == "dark" ? Preference::dark : Preference::light;
        return;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    bus.connect(kService, kPath, kInterface, QStringLiteral("SettingChanged"), this,
                SLOT(onSettingChanged(QString, QString, QDBusVariant)));
    // Asked once at start with a short wait: the first windows should open in the right colours.
    QDBusMessage read =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Read"));
    read << kGroup << kKey;
    const QDBusReply<QVariant> reply = bus.call(read, QDBus::Block, 500);
    if (reply.isValid()) {
        current_ = fromPortal(reply.value());
    }
}

void PortalColorScheme::onSettingChanged(const QString& group, const QString& key,
                                         const QDBusVariant& value) {
    if (!overridden_ && group == kGroup && key == kKey) {
        set(fromPortal(value.variant()));
    }
}

ColorScheme::Preference PortalColorScheme::fromPortal(const QVariant& value) {
    switch (unwrap(value).toUInt()) {
        case 1:
            return Preference::dark;
        case 2:
            return Preference::light;
        default:
            return Preference::none;
    }
}

void PortalColorScheme::set(Preference preference) {
    if (preference == current_) {
        return;
    }
    current_ = preference;
    if (observer_) {
        observer_(preference);
    }
}

}  // namespace nabbit
