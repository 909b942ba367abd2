// `nabbit resync` run as a user runs it, against a running instance served by this test
// process and against the traces a crashed or frozen one leaves. The desktop program's own
// answer is covered by the desktop program test.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QProcess>
#include <QSignalSpy>
#include <QStringList>
#include <QTest>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "TestHome.h"
#include "app/SingleInstance.h"
#include "core/Paths.h"
#include "core/UniqueFd.h"

namespace nabbit {
namespace {

struct CommandResult {
    int exitCode = -1;
    std::string err;
};

// Runs the built `nabbit resync ...` in the test's home, keeping this process's event loop
// turning so that an instance served here can answer.
CommandResult resync(const QStringList& extra = {}) {
    QProcess process;
    process.start(QStringLiteral(NABBIT_BIN_DIR "/nabbit"), QStringList{"resync"} + extra);
    CommandResult run;
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 20'000) ||
        process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitCode();
    run.err = process.readAllStandardError().toStdString();
    return run;
}

std::filesystem::path instanceFile(const char* name) {
    std::filesystem::create_directories(paths::instanceDirectory());
    return paths::instanceDirectory() / name;
}

// A socket file nobody listens on, as a killed instance leaves it.
void leaveStaleSocket() {
    const UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = instanceFile("nabbit.socket").string();
    std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
    ASSERT_EQ(::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
}

TEST(ResyncCommandTest, FailsCleanlyWhenNoInstanceAnswers) {
    UniqueFd heldLock;
    struct Case {
        const char* name;
        std::function<void()> arrange;
        std::string error;
    };
    const Case cases[] = {
        {"never started", [] {}, "nabbit resync: Nabbit is not running; start it with `nabbit`\n"},
        {"crashed: lock file and socket left behind",
         [] {
             test::writeFile(instanceFile("instance.lock"), "");
             leaveStaleSocket();
         },
         "nabbit resync: Nabbit is not running; start it with `nabbit`\n"},
        {"frozen: the lock is held, nobody listens",
         [&] {
             heldLock.reset(::open(instanceFile("instance.lock").c_str(), O_RDWR | O_CLOEXEC));
             ASSERT_EQ(::flock(heldLock.get(), LOCK_EX | LOCK_NB), 0);
         },
         "nabbit resync: Nabbit is running but does not answer\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.arrange();
        const CommandResult run = resync();
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err, c.error);
    }
    heldLock.reset();
    std::filesystem::remove_all(paths::instanceDirectory());
}

TEST(ResyncCommandTest, TheRunningInstanceIsAskedOnceAndTheCommandSucceeds) {
    SingleInstance running;
    ASSERT_EQ(running.claim(), SingleInstance::Role::running);
    QSignalSpy resyncs(&running, &SingleInstance::resyncRequested);
    QSignalSpy reopens(&running, &SingleInstance::reopenRequested);

    CommandResult run = resync();
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(resyncs.count(), 1);
    EXPECT_EQ(reopens.count(), 0);  // a resync does not bring the window up

    // Arguments are refused before anything is sent.
    run = resync({"now"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "usage: nabbit resync\n");
    QTest::qWait(100);
    EXPECT_EQ(resyncs.count(), 1);
}

}  // namespace
}  // namespace nabbit
