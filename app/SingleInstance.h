#pragma once

#include <memory>

#include <QLocalServer>
#include <QObject>

#include "core/UniqueFd.h"

namespace nabbit {

// Keeps to one running desktop instance per user. The first to take an exclusive lock on a
// file in the instance folder is the running one and listens on a local socket beside it; a
// later start finds the lock taken, asks the running one to reopen, and ends. The kernel
// releases the lock with its holder, so a crashed instance never blocks the next start, and two
// programs started at the same moment cannot both win. The same socket carries `nabbit resync`
// to the running instance.
class SingleInstance : public QObject {
    Q_OBJECT

  public:
    enum class Role {
        running,      // this process holds the lock and serves reopen requests
        handedOver,   // another instance runs and was asked to reopen
        unreachable,  // another instance holds the lock but did not answer
    };

    // What asking the running instance to resync came to.
    enum class ResyncAnswer {
        resyncing,    // the running instance took the request
        notRunning,   // no instance runs for this user
        unreachable,  // an instance holds the lock but did not answer
    };

    explicit SingleInstance(QObject* parent = nullptr);

    // Asks the instance running for this user to resync; never becomes the running one itself.
    static ResyncAnswer requestResync();

    // Decides this process's role. `replacing`: the process id of an instance this one restarts;
    // its lock is awaited instead of handed over to.
    Role claim(qint64 replacing = 0);

  signals:
    // A later start asked the running instance to show itself.
    void reopenRequested();
    // `nabbit resync` asked the running instance to resync its sources.
    void resyncRequested();

  private:
    bool tryLock(bool wait);
    void serve();
    Role handOver();

    UniqueFd lock_;
    QLocalServer* server_ = nullptr;  // a child
};

}  // namespace nabbit
