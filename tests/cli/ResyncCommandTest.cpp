// `nabbit resync` run as a user runs it, against the traces a crashed or frozen Nabbit leaves.
// A running Nabbit's answer is covered by the desktop program test.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QProcess>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "TestHome.h"
#include "core/Paths.h"
#include "core/UniqueFd.h"

namespace nabbit {
namespace {

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
        QProcess resync;
        resync.start(QStringLiteral(NABBIT_BIN_DIR "/nabbit"), {QStringLiteral("resync")});
        ASSERT_TRUE(resync.waitForFinished(20'000));
        EXPECT_EQ(resync.exitCode(), 1);
        EXPECT_EQ(resync.readAllStandardError().toStdString(), c.error);
    }
    heldLock.reset();
    std::filesystem::remove_all(paths::instanceDirectory());
}

}  // namespace
}  // namespace nabbit
