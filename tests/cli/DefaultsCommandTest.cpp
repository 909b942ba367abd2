#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <filesystem>
#include <string>
#include <vector>

#include "TestHome.h"

namespace nabbit {
namespace {

struct CommandResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs the built nabbit with HOME at `home`; no display.
CommandResult nabbit(const std::vector<std::string>& arguments, const std::filesystem::path& home) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", QString::fromStdString(home.string()));
    environment.remove("XDG_CONFIG_HOME");
    environment.remove("DISPLAY");
    QStringList list;
    for (const auto& argument : arguments) {
        list << QString::fromStdString(argument);
    }
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QString(NABBIT_BIN_DIR) + "/nabbit", list);
    CommandResult run;
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit) {
        return run;
    }
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput().toStdString();
    run.err = process.readAllStandardError().toStdString();
    return run;
}

class DefaultsCommandTest : public ::testing::Test {
  protected:
    std::filesystem::path conf() const { return home_.path() / ".config/nabbit/nabbit.conf"; }
    CommandResult defaults(std::vector<std::string> arguments) const {
        arguments.insert(arguments.begin(), "defaults");
        return nabbit(arguments, home_.path());
    }

    test::TempDir home_;  // a fresh home for each test, without even a .config folder
};

// Each step: the arguments, the exit status, standard output, a part of standard error.
TEST_F(DefaultsCommandTest, WritesReadsAndDeletesFromAFreshHome) {
    const std::string delay = "com.nabbit.app.restoreContentsDelayTime";
    const std::string autoPaste = "com.nabbit.app.autoPasteEnabled";
    const std::string greeting = "com.nabbit.app.greeting";
    struct Step {
        std::vector<std::string> arguments;
        int exitCode;
        std::string out;
        std::string err = "";
    };
    const Step steps[] = {
        {{"read"}, 0, "{\n}\n"},
        {{"read", delay}, 1, "", "does not exist"},
        {{"write", delay, "-int", "10"}, 0, ""},
        {{"write", autoPaste, "-bool", "true"}, 0, ""},
        {{"write", "com.nabbit.app.hasSetup", "-bool", "NO"}, 0, ""},
        {{"write", greeting, "-string", "hello, \"world\""}, 0, "", "not a key Nabbit reads"},
        {{"read", delay}, 0, "10\n"},
        {{"read", greeting}, 0, "hello, \"world\"\n"},
        {{"read"},
         0,
         "{\n"
         "    com.nabbit.app.autoPasteEnabled = true;\n"
         "    com.nabbit.app.greeting = \"hello, \\\"world\\\"\";\n"
         "    com.nabbit.app.hasSetup = false;\n"
         "    com.nabbit.app.restoreContentsDelayTime = 10;\n"
         "}\n"},
        {{"write", "com.nabbit.app.ignoredNotificationApps", "-array", "Signal",
          "org.example.Chat"},
         0,
         ""},
        {{"read", "com.nabbit.app.ignoredNotificationApps"}, 0, "Signal, org.example.Chat\n"},
        {{"delete", autoPaste}, 0, ""},
        {{"read", autoPaste}, 1, ""},
        {{"delete", autoPaste}, 1, ""},
    };
    for (const auto& [arguments, exitCode, out, err] : steps) {
        SCOPED_TRACE(::testing::PrintToString(arguments));
        const CommandResult run = defaults(arguments);
        EXPECT_EQ(run.exitCode, exitCode);
        EXPECT_EQ(run.out, out);
        EXPECT_NE(run.err.find(err), std::string::npos) << run.err;
    }
}

TEST_F(DefaultsCommandTest, RefusalsExitWith2AndWriteNothing) {
    ASSERT_EQ(defaults({"write", "com.nabbit.app.notificationPosition", "-int", "2"}).exitCode, 0);
    const std::string before = test::readFile(conf());

    const std::vector<std::vector<std::string>> refused = {
        {},
        {"frobnicate"},
        {"read", "com.nabbit.app.hasSetup", "extra"},
        {"read", "com.other.app.hasSetup"},
        {"write", "hasSetup", "-bool", "true"},
        {"write", "com.nabbit.app.group/hasSetup", "-bool", "true"},
        {"write", "com.nabbit.app.hasSetup", "-float", "1"},
        {"write", "com.nabbit.app.hasSetup", "true"},
        {"write", "com.nabbit.app.hasSetup", "-bool", "maybe"},
        {"write", "com.nabbit.app.hasSetup", "-int", "1"},
        {"write", "com.nabbit.app.notificationPosition", "-int", "99999999999"},
        {"write", "com.nabbit.app.ignoredNotificationApps", "-string", "Signal"},
    };
    for (const auto& arguments : refused) {
        SCOPED_TRACE(::testing::PrintToString(arguments));
        const CommandResult run = defaults(arguments);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_FALSE(run.err.empty());
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(test::readFile(conf()), before);
    EXPECT_EQ(defaults({"read", "com.nabbit.app.notificationPosition"}).out, "2\n");
}

TEST(NabbitCommandTest, HelpVersionAndUnknownCommandsOrArguments) {
    test::TempDir home;
    CommandResult run = nabbit({"--version"}, home.path());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, std::string("nabbit ") + NABBIT_VERSION + "\n");

    run = nabbit({"--help"}, home.path());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.out.find("defaults"), std::string::npos);
    EXPECT_NE(run.out.find("nabbit defaults write KEY -bool true|false"), std::string::npos);

    run = nabbit({"--frobnicate"}, home.path());
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("unknown command '--frobnicate'"), std::string::npos);
    for (const auto& arguments :
         {std::vector<std::string>{"watch", "--bogus"}, {"resync", "now"}}) {
        run = nabbit(arguments, home.path());
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.err.find("usage: nabbit " + arguments[0]), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
    EXPECT_FALSE(std::filesystem::exists(home.path() / ".config"));
}

}  // namespace
}  // namespace nabbit
