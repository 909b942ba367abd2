#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "TestHome.h"

namespace nabbit {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempDir;
using test::writeFile;

struct ToolRun {
    int exitCode = -1;
    std::string out;
    std::string err;

    std::vector<std::string> lines() const {
        std::vector<std::string> result;
        std::istringstream in(out);
        for (std::string line; std::getline(in, line);) {
            result.push_back(line);
        }
        return result;
    }
};

std::string quoted(const std::string& arg) {
    std::string q = "'";
    for (char c : arg) {
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return q + "'";
}

// Runs the built nabbit-parse with the arguments and standard input.
ToolRun runTool(const std::vector<std::string>& args, const std::string& input = {}) {
    static TempDir work;
    const fs::path in = work.path() / "in";
    const fs::path out = work.path() / "out";
    const fs::path err = work.path() / "err";
    EXPECT_TRUE(writeFile(in, input));
    std::string command = quoted(std::string(NABBIT_BIN_DIR) + "/nabbit-parse");
    for (const auto& arg : args) {
        command += " " + quoted(arg);
    }
    command += " <" + quoted(in) + " >" + quoted(out) + " 2>" + quoted(err);
    const int status = std::system(command.c_str());
    ToolRun run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = readFile(out);
    run.err = readFile(err);
    return run;
}

class NabbitParse : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(writeFile(resources_.path() / "OTPKeywords" / "en.json",
                              R"json({"keywords":["code","verification"],"patterns":[]})json"));
        // The top-level copy is shadowed by the one in OTPKeywords/.
        ASSERT_TRUE(writeFile(resources_.path() / "en.json",
                              R"json({"keywords":["shadowed"],"patterns":[]})json"));
        ASSERT_TRUE(writeFile(
            resources_.path() / "custom-patterns.json",
            R"json({"customPatterns":[{"service":"Acme","pattern":"ref ([A-Z0-9-]+)"}]})json"));
    }

    std::string dir() const { return resources_.path().string(); }

    TempDir resources_;
};

TEST_F(NabbitParse, PrintsCodeAndService) {
    const ToolRun run = runTool({"--resources", dir(), "[zorgbank] Your code is 482913"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "{\"code\":\"482913\",\"service\":\"zorgbank\"}\n");
    EXPECT_EQ(runTool({"--resources", dir(), "Your code is 482913"}).out,
              "{\"code\":\"482913\",\"service\":null}\n");
    EXPECT_EQ(runTool({"--resources=" + dir(), "ref AB-12-CD"}).out,
              "{\"code\":\"AB12CD\",\"service\":\"acme\"}\n");
}

TEST_F(NabbitParse, NoCodeExitsOne) {
    for (const std::string text : {"no code here", "shadowed 482913", ""}) {
        const ToolRun run = runTool({"--resources", dir(), text});
        EXPECT_EQ(run.exitCode, 1) << text;
        EXPECT_EQ(run.out, "{\"code\":null,\"service\":null}\n") << text;
    }
}

TEST_F(NabbitParse, UsageErrorsExitTwo) {
    const std::vector<std::vector<std::string>> cases{
        {},
        {"--resources"},
        {"--resources", dir()},
        {"--bogus", "code 1234"},
        {"--jsonl", "code 1234"},
        {"code 1234", "extra"},
        {"--resources", (resources_.path() / "missing").string(), "code 1234"},
    };
    for (const auto& args : cases) {
        const ToolRun run = runTool(args);
        EXPECT_EQ(run.exitCode, 2) << ::testing::PrintToString(args);
        EXPECT_TRUE(run.out.empty());
        EXPECT_FALSE(run.err.empty());
    }
    const ToolRun help = runTool({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--jsonl"), std::string::npos);
}

TEST_F(NabbitParse, DoubleDashEndsOptions) {
    const ToolRun run = runTool({"--resources", dir(), "--", "--code 4821"});
    EXPECT_EQ(run.out, "{\"code\":\"4821\",\"service\":null}\n");
}

TEST_F(NabbitParse, JsonLinesGiveOneResultPerLineInOrder) {
    const std::string input =
        "{\"text\":\"Your code is 482913\"}\n"
        "\n"
        "not json\n"
        "{\"message\":\"code 1234\"}\n"
        "{\"text\":1234}\n"
        "[\"code 1234\"]\n"
        "{\"text\":\"nothing\"}\n"
        "{\"text\":\"ref AB-12-CD\",\"id\":7}";  // no newline at the end
    const ToolRun run = runTool({"--resources", dir(), "--jsonl"}, input);
    EXPECT_EQ(run.exitCode, 0);
    const auto lines = run.lines();
    ASSERT_EQ(lines.size(), 8u) << run.out;
    EXPECT_EQ(lines[0], "{\"code\":\"482913\",\"service\":null}");
    for (std::size_t i : {1u, 2u, 3u, 4u, 5u}) {
        EXPECT_TRUE(lines[i].starts_with("{\"code\":null,\"service\":null,\"error\":\""))
            << lines[i];
    }
    EXPECT_EQ(lines[6], "{\"code\":null,\"service\":null}");
    EXPECT_EQ(lines[7], "{\"code\":\"AB12CD\",\"service\":\"acme\"}");
    EXPECT_EQ(runTool({"--resources", dir(), "--jsonl"}, "").out, "");
}

TEST_F(NabbitParse, ExplicitResourcesIgnoreUserOverrides) {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    ASSERT_NE(dataHome, nullptr);
    const fs::path override = fs::path(dataHome) / "nabbit" / "OTPKeywords" / "en.json";
    ASSERT_TRUE(writeFile(override, R"json({"keywords":["kodu"],"patterns":[]})json"));
    const ToolRun run = runTool({"--resources", dir(), "kodu 482913"});
    fs::remove(override);
    EXPECT_EQ(run.exitCode, 1);
}

TEST_F(NabbitParse, InvalidUtf8StillGivesValidJson) {
    const ToolRun run = runTool({"--resources", dir(), "code 482913 \xff\xfe"});
    EXPECT_EQ(run.exitCode, 0);
    const auto parsed = nlohmann::json::parse(run.out, nullptr, false);
    ASSERT_FALSE(parsed.is_discarded()) << run.out;
    EXPECT_EQ(parsed["code"], "482913");

    const ToolRun lines =
        runTool({"--resources", dir(), "--jsonl"}, "{\"text\":\"code 4821\xff\"}\n");
    ASSERT_EQ(lines.lines().size(), 1u);
    EXPECT_FALSE(nlohmann::json::parse(lines.lines()[0], nullptr, false).is_discarded());
}

}  // namespace
}  // namespace nabbit
