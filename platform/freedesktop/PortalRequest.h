#pragma once

#include <functional>

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

namespace nabbit {

// One call to an xdg-desktop-portal method that answers through a request object: the answer
// (possibly after a dialog) comes as that object's Response signal. The signal is followed on
// the object's predicted path before the call goes out, so that a fast answer is not missed.
class PortalRequest : public QObject {
    Q_OBJECT

  public:
    // The portal's answer: 0 granted, 1 cancelled by the user, 2 ended otherwise (also when the
    // call itself failed; `error` then says why).
    struct Answer {
        uint response = 2;
        QVariantMap results;
        QString error;
    };
    using Done = std::function<void(const Answer& answer)>;

    static const QString kService;
    static const QString kPath;

    // Calls `method` of `interface` with `arguments`, whose last one must be the options map
    // (a handle token is added to it). `done` runs once, on the main thread, unless `context`
    // goes first.
    static void send(QDBusConnection bus, const QString& interface, const QString& method,
                     QVariantList arguments, QObject* context, Done done);

    // A token for a handle of ours ("nabbit" and a counter), unique within the process.
    static QString newToken();

  private slots:
    void onResponse(uint response, const QVariantMap& results);

  private:
    PortalRequest(QDBusConnection bus, QObject* context, Done done);
    bool follow(const QString& path);
    void finish(const Answer& answer);

    QDBusConnection bus_;
    QString path_;
    Done done_;
};

}  // namespace nabbit
