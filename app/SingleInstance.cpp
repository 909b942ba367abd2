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

QString socketPath() {
    return QString::fromStdString((paths::instanceDirectory() / "nabbit.socket").string());
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
                if (connection->canReadLine() && connection->readLine() == kReopen) {
                    connection->write("ok\n");
                    connection->flush();
                    emit reopenRequested();
                }
            });
        }
    });
    return Role::running;
}

SingleInstance::Role SingleInstance::handOver() {
    // The running instance may hold the lock a moment before it listens: try for a while.
    const auto deadline = std::chrono::steady_clock::now() + kAnswerTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
        QLocalSocket socket;
        socket.connectToServer(socketPath());
        if (socket.waitForConnected(500)) {
            socket.write(kReopen.data(), kReopen.size());
            if (socket.waitForBytesWritten(1000) && socket.waitForReadyRead(2000) &&
                socket.readLine() == "ok\n") {
                return Role::handedOver;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return Role::unreachable;
}

}  // namespace nabbit
