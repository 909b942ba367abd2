#include "RestartableBus.h"

#include <filesystem>

namespace nabbit::test {

RestartableBus::RestartableBus() : address_("unix:path=" + (folder_.path() / "bus").string()) {
    daemon_.setProgram(QStringLiteral("dbus-daemon"));
    daemon_.setArguments({QStringLiteral("--session"), QStringLiteral("--nofork"),
                          QStringLiteral("--address=") + QString::fromStdString(address_),
                          QStringLiteral("--print-address=1")});
    daemon_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    start();
}

RestartableBus::~RestartableBus() {
    stop();
}

bool RestartableBus::start() {
    if (daemon_.state() != QProcess::NotRunning) {
        return true;
    }
    // The socket of the bus before, if any, is in the way of the new one.
    std::error_code ec;
    std::filesystem::remove(folder_.path() / "bus", ec);
    daemon_.start();
    // The daemon prints its address once it listens.
    return daemon_.waitForStarted(5000) && daemon_.waitForReadyRead(5000) &&
           !daemon_.readLine().isEmpty();
}

void RestartableBus::stop() {
    if (daemon_.state() == QProcess::NotRunning) {
        return;
    }
    daemon_.terminate();
    if (!daemon_.waitForFinished(5000)) {
        daemon_.kill();
        daemon_.waitForFinished(5000);
    }
}

}  // namespace nabbit::test
