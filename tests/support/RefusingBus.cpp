#include "RefusingBus.h"

namespace nabbit::test {

RefusingBus::RefusingBus() {
    const auto config = folder_.path() / "refusing-monitors.conf";
    writeFile(config,
              "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
              " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
              "<busconfig>\n"
              "  <type>session</type>\n"
              "  <listen>unix:dir=" +
                  folder_.path().string() +
                  "</listen>\n"
                  "  <auth>EXTERNAL</auth>\n"
                  "  <policy context=\"default\">\n"
                  "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                  "    <allow eavesdrop=\"true\"/>\n"
                  "    <allow own=\"*\"/>\n"
                  "    <deny send_destination=\"org.freedesktop.DBus\"\n"
                  "          send_interface=\"org.freedesktop.DBus.Monitoring\"/>\n"
                  "  </policy>\n"
                  "</busconfig>\n");
    daemon_.setProgram(QStringLiteral("dbus-daemon"));
    daemon_.setArguments({QStringLiteral("--config-file=") + QString::fromStdString(config),
                          QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    daemon_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    daemon_.start();
    if (daemon_.waitForStarted(5000) && daemon_.waitForReadyRead(5000)) {
        address_ = daemon_.readLine().trimmed().toStdString();
    }
}

RefusingBus::~RefusingBus() {
    daemon_.terminate();
    daemon_.waitForFinished(5000);
}

}  // namespace nabbit::test
