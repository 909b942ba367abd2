#pragma once

#include <filesystem>
#include <string>

#include <QByteArray>
#include <QProcess>

#include "WaylandSession.h"

namespace nabbit::test {

// The real nabbit program in a Wayland session, as the desktop starts it: as the session's
// user, in the session's scratch home (a Messages database, setup done, debug log on), with
// both displays set and no QT_QPA_PLATFORM. Ended with the session, or when it goes.
class NabbitInSession {
  public:
    explicit NabbitInSession(WaylandSession& session, int restoreDelaySeconds = 2);
    ~NabbitInSession();
    NabbitInSession(const NabbitInSession&) = delete;
    NabbitInSession& operator=(const NabbitInSession&) = delete;

    // Starts it with extra environment variables ("NAME=value") and waits until its Messages
    // source watches the database. False, saying why, when it does not get there.
    bool start(std::string& why, const QStringList& environment = {});
    // The program to start instead of the build's nabbit (an installed copy of it).
    void setProgram(std::filesystem::path program) { program_ = std::move(program); }

    // A new incoming message, written by the build's nabbit-simulate as another program
    // would. Returns once it is committed.
    bool receiveMessage(const std::string& text);

    // The build's nabbit-simulate, where the session's user can run it (the delivery
    // benchmark runs it).
    QString simulateProgram() const {
        return QString::fromStdString((bin_ / "nabbit-simulate").string());
    }

    // What nabbit wrote to standard error so far (its system log lines among them).
    const QByteArray& errors();
    QProcess* process() { return process_; }

  private:
    WaylandSession& session_;
    // The build's programs and data, where the session's user can run them.
    std::filesystem::path bin_;
    std::filesystem::path debugLog_;
    std::filesystem::path program_;
    QProcess* process_ = nullptr;
    QByteArray errors_;
};

}  // namespace nabbit::test
