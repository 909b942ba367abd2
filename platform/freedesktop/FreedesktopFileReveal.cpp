#include "platform/freedesktop/FreedesktopFileReveal.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QStringList>
#include <QUrl>

namespace nabbit {

namespace {

QUrl fileUrl(const std::filesystem::path& path) {
    return QUrl::fromLocalFile(QString::fromStdString(path.string()));
}

void openWithDefaultHandler(const std::filesystem::path& folder) {
    QDesktopServices::openUrl(fileUrl(folder));
}

}  // namespace

FreedesktopFileReveal::FreedesktopFileReveal(QObject* parent) : QObject(parent) {}

void FreedesktopFileReveal::revealFile(const std::filesystem::path& file) {
    callFileManager(QStringLiteral("ShowItems"), file, file.parent_path());
}

void FreedesktopFileReveal::openFolder(const std::filesystem::path& folder) {
    callFileManager(QStringLiteral("ShowFolders"), folder, folder);
}

void FreedesktopFileReveal::callFileManager(const QString& method,
                                            const std::filesystem::path& target,
                                            const std::filesystem::path& fallbackFolder) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openWithDefaultHandler(fallbackFolder);
        return;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
                                       QStringLiteral("/org/freedesktop/FileManager1"),
                                       QStringLiteral("org.freedesktop.FileManager1"), method);
    call << QStringList{fileUrl(target).toString()} << QString();
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [fallbackFolder](QDBusPendingCallWatcher* finished) {
                if (finished->isError()) {
                    openWithDefaultHandler(fallbackFolder);
                }
                finished->deleteLater();
            });
}

}  // namespace nabbit
