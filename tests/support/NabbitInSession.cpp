#include "NabbitInSession.h"

#include <QTest>

#include "FixtureDatabases.h"
#include "core/PreferencesStore.h"

namespace nabbit::test {

NabbitInSession::NabbitInSession(WaylandSession& session, int restoreDelaySeconds)
    : session_(session), debugLog_(session.home() / "Documents/Nabbit_Debug.log") {
    // Nabbit finds its keyword files beside itself, in ../share/nabbit.
    const std::filesystem::path build = std::filesystem::path(NABBIT_BIN_DIR).parent_path();
    session_.stage(build / "share/nabbit", "share/nabbit");
    session_.stage(build / "bin/nabbit-simulate", "bin/nabbit-simulate");
    program_ = session_.stage(build / "bin/nabbit", "bin/nabbit");
    bin_ = program_.parent_path();
    const auto home = session_.home();
    if (!std::filesystem::exists(home / "Library/Messages/chat.db")) {
        createDatabaseFromFixture(home / "Library/Messages/chat.db", "chat-db.sql");
    }
    const PreferencesStore preferences(home / ".config/nabbit/nabbit.conf");
    preferences.setBool("com.nabbit.app.hasSetup", true);
    preferences.setBool("com.nabbit.app.debugLoggingEnabled", true);
    preferences.setInteger("com.nabbit.app.restoreContentsDelayTime", restoreDelaySeconds);
    session_.giveToUser(home);
}

NabbitInSession::~NabbitInSession() {
    if (process_ != nullptr && process_->state() != QProcess::NotRunning) {
        process_->terminate();
        if (!process_->waitForFinished(5000)) {
            process_->kill();
            process_->waitForFinished(3000);
        }
    }
}

bool NabbitInSession::start(std::string& why, const QStringList& environment) {
    QProcessEnvironment variables = session_.environment();
    variables.remove("QT_QPA_PLATFORM");
    for (const QString& variable : environment) {
        const auto equals = variable.indexOf('=');
        variables.insert(variable.left(equals), variable.mid(equals + 1));
    }
    const auto logBefore = readFile(debugLog_).size();
    process_ = &session_.startClient(QString::fromStdString(program_.string()), {}, variables);
    const bool watching = QTest::qWaitFor(
        [&] {
            return readFile(debugLog_).find("Initialized lastProcessedRowId", logBefore) !=
                       std::string::npos ||
                   process_->state() == QProcess::NotRunning;
        },
        20'000);
    if (!watching || process_->state() == QProcess::NotRunning) {
        why = "nabbit did not start watching: " + errors().toStdString();
        return false;
    }
    return true;
}

bool NabbitInSession::receiveMessage(const std::string& text) {
    const auto output = session_.run(QString::fromStdString((bin_ / "nabbit-simulate").string()),
                                     {"message", QString::fromStdString(text)}, 10'000);
    return output.finished && output.exitCode == 0;
}

const QByteArray& NabbitInSession::errors() {
    if (process_ != nullptr) {
        errors_ += process_->readAllStandardError();
    }
    return errors_;
}

}  // namespace nabbit::test
