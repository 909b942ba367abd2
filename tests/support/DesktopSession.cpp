#include "DesktopSession.h"

#include <QProcessEnvironment>
#include <QTest>

#include "X11TestClient.h"

namespace nabbit::test {

TrayHost::TrayHost() {
    trayer_.start(QStringLiteral("trayer"),
                  {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
                   QStringLiteral("right"), QStringLiteral("--widthtype"),
                   QStringLiteral("request"), QStringLiteral("--height"), QStringLiteral("24"),
                   QStringLiteral("--SetDockType"), QStringLiteral("true")});
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
    auto inHome = [this](const char* relative) {
        const auto folder = home_ / relative;
        std::filesystem::create_directories(folder);
        return QString::fromStdString(folder.string());
    };
    environment.insert(QStringLiteral("HOME"), QString::fromStdString(home_.string()));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), inHome(".config"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), inHome(".local/share"));
    environment.insert(QStringLiteral("XDG_STATE_HOME"), inHome(".local/state"));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), inHome(".cache"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), inHome(".runtime"));
    std::filesystem::permissions(home_ / ".runtime", std::filesystem::perms::owner_all);
    process_.setProcessEnvironment(environment);
    process_.setProgram(QStringLiteral(NABBIT_BIN_DIR "/nabbit"));
}

NabbitProcess::~NabbitProcess() {
    if (process_.state() != QProcess::NotRunning) {
        terminate();
        if (!waitForExit(5000)) {
            process_.kill();
            process_.waitForFinished(3000);
        }
    }
}

std::unique_ptr<TempDir> NabbitProcess::makeHome() {
    return std::make_unique<TempDir>();
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

void NabbitProcess::terminate() {
    process_.terminate();
}

}  // namespace nabbit::test
