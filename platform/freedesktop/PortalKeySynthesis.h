#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include "platform/AccessibilityCheck.h"
#include "platform/KeySynthesis.h"

namespace nabbit {

// Auto-paste through the desktop portal's RemoteDesktop interface (GNOME on Wayland): a session
// with the keyboard only, started once with the user's consent, whose grant the desktop lets us
// keep as a restore token so that later starts need no dialog. The token lives in
// <state home>/nabbit/remote-desktop.token, mode 0600. The consent dialog shows only when the
// user asks for it (requestConsent), never when a code arrives. It is also the answer to
// whether auto-paste may type here.
class PortalKeySynthesis final : public QObject, public KeySynthesis, public AccessibilityCheck {
    Q_OBJECT

  public:
    enum class State {
        needsConsent,  // no grant yet, or it was revoked: requestConsent() asks the user
        starting,      // a session is being set up
        granted,       // keys can be sent
        refused,       // the user or the desktop said no to the last request
    };
    Q_ENUM(State)

    explicit PortalKeySynthesis(QDBusConnection bus = QDBusConnection::sessionBus(),
                                QObject* parent = nullptr);
    ~PortalKeySynthesis() override;

    // Whether the session's portal offers the interface (asks it, starting it if needed).
    static bool available(const QDBusConnection& bus = QDBusConnection::sessionBus());

    // Starts a session from the kept grant, if there is one; shows nothing otherwise.
    void resume();
    // Starts a session, showing the desktop's consent dialog unless a kept grant is still valid.
    // For the user's own action: switching auto-paste on, or the setup's permission row.
    void requestConsent();

    State state() const { return state_; }

    // Ctrl+V as evdev key codes. False (and nothing sent) without a granted session.
    bool sendPaste() override;

    bool syntheticKeyEventsAllowed() const override { return state_ == State::granted; }
    Status status() const override {
        switch (state_) {
            case State::granted:
                return Status::granted;
            case State::refused:
                return Status::refused;
            case State::needsConsent:
            case State::starting:
                break;
        }
        return Status::needsConsent;
    }
    void requestPermission() override { requestConsent(); }

  signals:
    void stateChanged(PortalKeySynthesis::State state);

  private slots:
    void sessionClosed();

  private:
    void start();
    void setState(State state);
    void close();

    QDBusConnection bus_;
    QString session_;
    State state_ = State::needsConsent;
};

}  // namespace nabbit
