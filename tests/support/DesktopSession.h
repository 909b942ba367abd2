#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include <QByteArray>
#include <QProcess>
#include <QStringList>

#include "TestHome.h"

namespace nabbit::test {

// A tray host on the test's X display: trayer, an XEmbed system tray. Started with the object,
// stopped when it goes.
class TrayHost {
  public:
    TrayHost();
    ~TrayHost();
    TrayHost(const TrayHost&) = delete;
    TrayHost& operator=(const TrayHost&) = delete;

    // Whether the tray is up (its panel window is on the screen).
    bool running() const { return running_; }

  private:
    QProcess trayer_;
    bool running_ = false;
};

// The real nabbit program in a home of its own (HOME and every XDG folder inside it), as a
// user starts it. Stopped with SIGTERM when the object goes.
class NabbitProcess {
  public:
    explicit NabbitProcess(std::filesystem::path home);
    ~NabbitProcess();
    NabbitProcess(const NabbitProcess&) = delete;
    NabbitProcess& operator=(const NabbitProcess&) = delete;

    void start();
    // Waits until standard error holds `text`; runs the event loop meanwhile.
    bool waitForError(const std::string& text, int timeoutMs = 10'000);
    bool waitForExit(int timeoutMs = 10'000);

    const QByteArray& error();
    QProcess& process() { return process_; }
    const std::filesystem::path& home() const { return home_; }

  private:
    std::filesystem::path home_;
    QProcess process_;
    QByteArray error_;
};

}  // namespace nabbit::test
