#include "app/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include <QLocalSocket>

#include "core/Paths.h"
#include "core/SystemLog.h"

namespace nabbit {

namespace {

constexpr auto kAnswerTimeout = std::chrono::seconds(5);
constexpr auto kReplaceTimeout = std::chrono::seconds(10);
constexpr QByteArrayView kReopen = "reopen\n";
constexpr QByteArrayView kResync = "resync\n";
constexpr QByteArrayView kDone = "ok\n";

QString socketPath() {
    return QString::fromStdString((paths::instanceDirectory() / "nabbit.socket").string());
}

// Sends one request to the running instance and waits for its answer. The running instance may
// hold the lock a moment before it listens: tries until the deadline.
bool ask(QByteArrayView request) {
    const auto deadline = std::chrono::steady_clock::now() + kAnswerTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
        QLocalSocket socket;
        socket.connectToServer(socketPath());
        if (socket.waitForConnected(500)) {
            socket.write(request.data(), request.size());
            if (socket.waitForBytesWritten(1000) && socket.waitForReadyRead(2000) &&
                socket.readLine() == kDone) {
                return true;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

// Whether some process holds the instance lock. A shared lock taken for a moment tells, without
// creating anything: no lock file means nobody ever ran here.
bool instanceLockHeld() {
    const UniqueFd fd(
        ::open((paths::instanceDirectory() / "instance.lock").c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        return false;
    }
    if (::flock(fd.get(), LOCK_SH | LOCK_NB) != 0) {
        return true;
    }
    ::flock(fd.get(), LOCK_UN);
    return false;
}

}  // namespace

SingleInstance::SingleInstance(QObject* parent) : QObject(parent) {}

bool SingleInstance::tryLock(bool wait) {
    const auto folder = paths::instanceDirectory();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all, ec);
    lock_.reset(::open((folder / "instance.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!lock_) {
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + kReplaceTimeout;
    while (::flock(lock_.get(), LOCK_EX | LOCK_NB) != 0) {
        if (!wait || std::chrono::steady_clock::now() > deadline) {
            lock_.reset();
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

SingleInstance::Role SingleInstance::claim(qint64 replacing) {
    if (!tryLock(replacing > 0)) {
        return handOver();
    }
    // A socket file left by an instance that ended without cleaning up is stale: we hold the
    // lock, so nobody listens on it.
    QLocalServer::removeServer(socketPath());
    serve();
    return Role::running;
}

void SingleInstance::serve() {
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(socketPath())) {
        systemLog("[Nabbit] Cannot listen for other starts of Nabbit: " +
                  server_->errorString().toStdString());
    }
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* connection = server_->nextPendingConnection()) {
            connect(connection, &QLocalSocket::disconnected, connection, &QObject::deleteLater);
            connect(connection, &QLocalSocket::readyRead, this, [this, connection] {
                if (!connection->canReadLine()) {
                    return;
                }
                const QByteArray request = connection->readLine();
                if (request != kReopen && request != kResync) {
                    return;
                }
                connection->write(kDone.data(), kDone.size());
                connection->flush();
                if (request == kReopen) {
                    emit reopenRequested();
                } else {
                    systemLog("[Nabbit] Resync requested from the command line");
                    emit resyncRequested();
                }
            });
        }
    });
}

SingleInstance::Role SingleInstance::handOver() {
    return ask(kReopen) ? Role::handedOver : Role::unreachable;
}

SingleInstance::ResyncAnswer SingleInstance::requestResync() {
    // Without a running instance, ask() would wait for nothing until its deadline.
    QLocalSocket probe;
    probe.connectToServer(socketPath());
    if (!probe.waitForConnected(500) && !instanceLockHeld()) {
        return ResyncAnswer::notRunning;
    }
    probe.abort();
    return ask(kResync) ? ResyncAnswer::resyncing : ResyncAnswer::unreachable;
}

}  // namespace nabbit
