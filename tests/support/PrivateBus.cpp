#include "PrivateBus.h"

#include <filesystem>

namespace nabbit::test {

PrivateBus::PrivateBus(Monitoring monitoring)
    : address_("unix:path=" + (folder_.path() / "bus").string()) {
    const auto config = folder_.path() / "bus.conf";
    writeFile(config,
              "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
              " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
              "<busconfig>\n"
              "  <type>session</type>\n"
              "  <listen>" +
                  address_ +
                  "</listen>\n"
                  "  <auth>EXTERNAL</auth>\n"
                  "  <policy context=\"default\">\n"
                  "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                  "    <allow eavesdrop=\"true\"/>\n"
                  "    <allow own=\"*\"/>\n" +
                  (monitoring == Monitoring::refused
                       ? "    <deny send_destination=\"org.freedesktop.DBus\"\n"
                         "          send_interface=\"org.freedesktop.DBus.Monitoring\"/>\n"
                       : "") +
                  "  </policy>\n"
                  "</busconfig>\n");
    daemon_.setProgram(QStringLiteral("dbus-daemon"));
    daemon_.setArguments({QStringLiteral("--config-file=") + QString::fromStdString(config),
                          QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    daemon_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    start();
}

PrivateBus::~PrivateBus() {
    stop();
}

bool PrivateBus::start() {
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

void PrivateBus::stop() {
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
