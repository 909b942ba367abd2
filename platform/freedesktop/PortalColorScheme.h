#pragma once

#include <QDBusVariant>
#include <QObject>
#include <QVariant>

#include "platform/ColorScheme.h"

namespace nabbit {

// The desktop's light or dark preference as the settings portal publishes it
// (org.freedesktop.appearance color-scheme), followed as it changes. NABBIT_COLOR_SCHEME=light
// or dark in the environment takes precedence, for desktops without the portal.
class PortalColorScheme final : public QObject, public ColorScheme {
    Q_OBJECT

  public:
    explicit PortalColorScheme(QObject* parent = nullptr);

    Preference current() const override { return current_; }
    void observe(Observer observer) override { observer_ = std::move(observer); }

  private slots:
    void onSettingChanged(const QString& group, const QString& key, const QDBusVariant& value);

  private:
    static Preference fromPortal(const QVariant& value);
    void set(Preference preference);

    Preference current_ = Preference::none;
    bool overridden_ = false;
    Observer observer_;
};

}  // namespace nabbit
