#include "DesktopSession.h"

#include <QProcessEnvironment>
#include <QTest>

#include "X11TestClient.h"

namespace nabbit::test {

TrayHost::TrayHost() {
    trayer_.start("trayer", {"--edge", "top", "--align", "right", "--widthtype", "request",
                             "--height", "24", "--SetDockType", "true"});
    X11TestClient x;
    running_ =
        x.connected() && QTest::qWaitFor([&] { return !x.findWindows("panel").empty(); }, 10'000);
}

TrayHost::~TrayHost() {
    trayer_.terminate();
    if (!trayer_.waitForFinished(3000)) {
        trayer_.kill();
        trayer_.waitForFinished(3000);
    }
}

NabbitProcess::NabbitProcess(std::filesystem::path home) : home_(std::move(home)) {
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", QString::fromStdString(home_.string()));
    for (const auto& [variable, folder] : {std::pair{"XDG_CONFIG_HOME", ".config"},
                                           {"XDG_DATA_HOME", ".local/share"},
                                           {"XDG_STATE_HOME", ".local/state"},
                                           {"XDG_CACHE_HOME", ".cache"},
                                           {"XDG_RUNTIME_DIR", ".runtime"}}) {
        std::filesystem::create_directories(home_ / folder);
        environment.insert(variable, QString::fromStdString((home_ / folder).string()));
    }
    std::filesystem::permissions(home_ / ".runtime", std::filesystem::perms::owner_all);
    process_.setProcessEnvironment(environment);
    process_.setProgram(QStringLiteral(NABBIT_BIN_DIR "/nabbit"));
}

NabbitProcess::~NabbitProcess() {
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        if (!waitForExit(5000)) {
            process_.kill();
            process_.waitForFinished(3000);
        }
    }
}

void NabbitProcess::start() {
    process_.start();
}

const QByteArray& NabbitProcess::error() {
    error_ += process_.readAllStandardError();
    return error_;
}

bool NabbitProcess::waitForError(const std::string& text, int timeoutMs) {
    return QTest::qWaitFor([&] { return error().contains(QByteArray::fromStdString(text)); },
                           timeoutMs);
}

bool NabbitProcess::waitForExit(int timeoutMs) {
    return QTest::qWaitFor([&] { return process_.state() == QProcess::NotRunning; }, timeoutMs);
}

}  // namespace nabbit::test
