#pragma once

#include <functional>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QMutex>
#include <QStringList>
#include <QThread>
#include <QVariantMap>

namespace nabbit::test {

// A desktop portal (org.freedesktop.portal.Desktop) on the private session bus, serving from a
// thread and a connection of its own as the real one serves from its own process: Nabbit's
// blocking calls get their answers. It answers the request-object protocol (the reply, then the
// Response signal on the request's path) through a handler the test gives per method, and
// records every call it receives, in order, as "Interface.Method".
class StandInPortal : public QDBusVirtualObject {
  public:
    // What a method answers: the response code and results of the Response signal.
    struct Answer {
        uint response = 0;
        QVariantMap results;
    };
    // Called on the portal's thread with the call (the caller's unique name, its arguments).
    using Handler = std::function<Answer(const QDBusMessage& call)>;

    // Offers `interfaces` (their "version" property answers 1).
    explicit StandInPortal(QStringList interfaces);
    ~StandInPortal() override;
    StandInPortal(const StandInPortal&) = delete;
    StandInPortal& operator=(const StandInPortal&) = delete;

    // Whether the portal owns its name on the bus.
    bool running() const { return running_; }

    void setHandler(const QString& method, Handler handler);
    QStringList calls() const;
    void clearCalls();
    // The arguments of the last call of `method` ("Interface.Method").
    QList<QVariant> lastArguments(const QString& method) const;

    // Emits a signal of the portal's object (or of one of its objects, at `path`).
    void emitSignal(const QString& path, const QString& interface, const QString& name,
                    const QVariantList& arguments);

    // The path of a session or request object of the caller, as the portal makes them.
    static QString objectPath(const QString& kind, const QString& sender, const QString& token);

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

  private:
    QThread thread_;
    QDBusConnection bus_;
    QStringList interfaces_;
    bool running_ = false;
    mutable QMutex mutex_;
    QStringList calls_;
    QMap<QString, QList<QVariant>> arguments_;
    QMap<QString, Handler> handlers_;
};

}  // namespace nabbit::test
