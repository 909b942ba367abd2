#pragma once

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

namespace nabbit {

// One shortcut as the GlobalShortcuts portal passes it, (sa{sv}): an id and its properties.
struct PortalShortcut {
    QString id;
    QVariantMap properties;

    // Makes the type and lists of it known to Qt's D-Bus marshalling; once is enough.
    static void registerTypes();
};

inline QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut) {
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

inline const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut) {
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

}  // namespace nabbit

Q_DECLARE_METATYPE(nabbit::PortalShortcut)

inline void nabbit::PortalShortcut::registerTypes() {
    static const bool registered = [] {
        qDBusRegisterMetaType<PortalShortcut>();
        qDBusRegisterMetaType<QList<PortalShortcut>>();
        return true;
    }();
    (void)registered;
}
