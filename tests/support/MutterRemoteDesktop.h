#pragma once

#include <memory>
#include <optional>
#include <string>

#include <QDBusConnection>
#include <QString>

namespace nabbit::test {

// A session on mutter's own RemoteDesktop D-Bus API (what GNOME's portal uses underneath,
// without the consent dialog): reads the compositor's clipboard without any window or focus,
// and gives a headless seat the keyboard it otherwise lacks.
class MutterRemoteDesktop {
  public:
    static std::unique_ptr<MutterRemoteDesktop> open(const QString& busAddress, std::string& why);
    ~MutterRemoteDesktop();
    MutterRemoteDesktop(const MutterRemoteDesktop&) = delete;
    MutterRemoteDesktop& operator=(const MutterRemoteDesktop&) = delete;

    // The clipboard in `mimeType`, read within the deadline; nothing when it has none.
    std::optional<std::string> readClipboard(const std::string& mimeType, int timeoutMs);
    // Presses or releases a key given by its X keysym.
    bool keysym(unsigned keysym, bool pressed);

  private:
    MutterRemoteDesktop(QDBusConnection bus, QString connectionName);
    bool call(const QString& method, const QVariantList& arguments, QDBusMessage* reply = nullptr);

    QDBusConnection bus_;
    QString connectionName_;
    QString session_;
};

}  // namespace nabbit::test
