// The nabbit program started as a user starts it.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

namespace nabbit {
namespace {

struct ProgramRun {
    int exitCode = -1;
    QProcess::ExitStatus status = QProcess::CrashExit;
    QString err;
};

ProgramRun runNabbit(const QProcessEnvironment& environment) {
    QProcess nabbit;
    nabbit.setProcessEnvironment(environment);
    nabbit.start(QStringLiteral(NABBIT_BIN_DIR "/nabbit"), {});
    nabbit.waitForFinished(10'000);
    return {nabbit.exitCode(), nabbit.exitStatus(),
            QString::fromUtf8(nabbit.readAllStandardError())};
}

// No display, or one that cannot be reached: one line saying so, status 1, no crash.
TEST(DesktopProgramTest, WithoutADisplayItSaysSoAndExits) {
    for (const char* display : {"", ":97"}) {
        SCOPED_TRACE(display);
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        if (*display == '\0') {
            environment.remove(QStringLiteral("DISPLAY"));
        } else {
            environment.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display));
        }
        const ProgramRun run = runNabbit(environment);
        EXPECT_EQ(run.status, QProcess::NormalExit);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err, "Nabbit needs a graphical session; `nabbit watch` runs without one\n");
    }
}

}  // namespace
}  // namespace nabbit
