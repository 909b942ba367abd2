#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <QProcess>
#include <QStringList>

#include <nlohmann/json.hpp>

#include "TestHome.h"

namespace nabbit {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::writeFile;

struct ToolRun {
    int exitCode = -1;
    std::string out;
    std::string err;

    std::vector<std::string> lines() const { return test::lines(out); }
};

// Runs the built nabbit-parse with the arguments and standard input.
ToolRun runTool(const std::vector<std::string>& args, const std::string& input = {}) {
    QStringList arguments;
    for (const auto& arg : args) {
        arguments << QString::fromStdString(arg);
    }
    QProcess tool;
    tool.start(QStringLiteral(NABBIT_BIN_DIR "/nabbit-parse"), arguments);
    tool.write(input.data(), static_cast<qint64>(input.size()));
    tool.closeWriteChannel();
    const bool ended = tool.waitForFinished(30'000) && tool.exitStatus() == QProcess::NormalExit;
    return {ended ? tool.exitCode() : -1, tool.readAllStandardOutput().toStdString(),
            tool.readAllStandardError().toStdString()};
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
        // A user's override, which an explicit resources folder ignores.
        const char* dataHome = std::getenv("XDG_DATA_HOME");
        ASSERT_NE(dataHome, nullptr);
        ASSERT_TRUE(writeFile(fs::path(dataHome) / "nabbit" / "OTPKeywords" / "en.json",
                              R"json({"keywords":["zorgword"],"patterns":[]})json"));
    }

    std::string dir() const { return resources_.path().string(); }

    TempDir resources_;
};

// A code exits 0, none exits 1; either way one JSON object on standard output.
TEST_F(NabbitParse, PrintsCodeAndServiceOrExitsTwoOnAUsageError) {
    const std::string none = "{\"code\":null,\"service\":null}\n";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"--resources", dir(), "[zorgbank] Your code is 482913"},
         "{\"code\":\"482913\",\"service\":\"zorgbank\"}\n"},
        {{"--resources", dir(), "Your code is 482913"}, "{\"code\":\"482913\",\"service\":null}\n"},
        {{"--resources=" + dir(), "ref AB-12-CD"}, "{\"code\":\"AB12CD\",\"service\":\"acme\"}\n"},
        {{"--resources", dir(), "--", "--code 4821"}, "{\"code\":\"4821\",\"service\":null}\n"},
        {{"--resources", dir(), "no code here"}, none},
        {{"--resources", dir(), "shadowed 482913"}, none},
        {{"--resources", dir(), "zorgword 482913"}, none},
        {{"--resources", dir(), ""}, none},
    };
    for (const auto& [args, out] : cases) {
        const ToolRun run = runTool(args);
        EXPECT_EQ(run.exitCode, out == none ? 1 : 0) << args.back();
        EXPECT_EQ(run.out, out) << args.back();
    }

    // A usage error exits 2 with nothing on standard output.
    const std::vector<std::vector<std::string>> usageErrors{
        {},
        {"--resources"},
        {"--resources", dir()},
        {"--bogus", "code 1234"},
        {"--jsonl", "code 1234"},
        {"--jsonl", "--jobs"},
        {"--jsonl", "--jobs", "0"},
        {"--jsonl", "--jobs=2x"},
        {"--jobs", "2", "code 1234"},
        {"code 1234", "extra"},
        {"--resources", (resources_.path() / "missing").string(), "code 1234"},
    };
    for (const auto& args : usageErrors) {
        const ToolRun run = runTool(args);
        EXPECT_EQ(run.exitCode, 2) << ::testing::PrintToString(args);
        EXPECT_TRUE(run.out.empty());
        EXPECT_FALSE(run.err.empty());
    }
    const ToolRun help = runTool({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--jsonl"), std::string::npos);
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
        "{\"text\":\"code 4821\xff\"}\n"
        // A member given twice counts with its last value, as in a parsed document; only
        // the top level's "text" counts.
        "{\"text\":\"code 1111\",\"text\":\"code 2222\"}\n"
        "{\"text\":\"code 3333\",\"text\":null}\n"
        "{\"meta\":{\"text\":\"code 4444\"},\"list\":[{\"text\":1}]}\n"
        "{\"text\":\"ref AB-12-CD\",\"id\":7}";  // no newline at the end
    const ToolRun run = runTool({"--resources", dir(), "--jsonl"}, input);
    EXPECT_EQ(run.exitCode, 0);
    const auto lines = run.lines();
    ASSERT_EQ(lines.size(), 12u) << run.out;
    for (const auto& line : lines) {  // valid JSON, even where the input is not valid UTF-8
        EXPECT_FALSE(nlohmann::json::parse(line, nullptr, false).is_discarded()) << line;
    }
    EXPECT_EQ(lines[0], "{\"code\":\"482913\",\"service\":null}");
    for (std::size_t i : {1u, 2u, 3u, 4u, 5u}) {
        EXPECT_TRUE(lines[i].starts_with("{\"code\":null,\"service\":null,\"error\":\""))
            << lines[i];
    }
    EXPECT_EQ(lines[6], "{\"code\":null,\"service\":null}");
    EXPECT_EQ(lines[8], "{\"code\":\"2222\",\"service\":null}");
    EXPECT_EQ(lines[9],
              "{\"code\":null,\"service\":null,\"error\":\"\\\"text\\\" is not a string\"}");
    EXPECT_EQ(lines[10], "{\"code\":null,\"service\":null,\"error\":\"missing \\\"text\\\"\"}");
    EXPECT_EQ(lines[11], "{\"code\":\"AB12CD\",\"service\":\"acme\"}");
    EXPECT_EQ(runTool({"--resources", dir(), "--jsonl"}, "").out, "");
}

// Parsed on several threads, every corpus message (with the shipped files, English replaced by
// the user's file of SetUp) gets the result it gets on one, in the input's order; so do fewer
// lines than threads.
TEST_F(NabbitParse, ThreadsKeepResultsAndOrder) {
    std::string corpus;
    for (const auto& entry :
         fs::directory_iterator(fs::path(NABBIT_SOURCE_DIR) / "tests" / "corpus")) {
        if (entry.path().extension() == ".jsonl") {
            std::ifstream in(entry.path(), std::ios::binary);
            corpus.append(std::istreambuf_iterator<char>(in), {});
        }
    }
    ASSERT_GT(test::lines(corpus).size(), 1000u);
    const ToolRun alone = runTool({"--jsonl", "--jobs", "1"}, corpus);
    ASSERT_EQ(alone.exitCode, 0);
    ASSERT_EQ(alone.lines().size(), test::lines(corpus).size());
    for (const std::string jobs : {"2", "7"}) {
        const ToolRun threaded = runTool({"--jsonl", "--jobs=" + jobs}, corpus);
        EXPECT_EQ(threaded.exitCode, 0);
        EXPECT_TRUE(threaded.out == alone.out) << jobs << " threads";
    }
    const std::string few = "{\"text\":\"code 4821\"}\nnot json\n{\"text\":\"none\"}";
    EXPECT_EQ(runTool({"--resources", dir(), "--jsonl", "--jobs", "5"}, few).out,
              runTool({"--resources", dir(), "--jsonl", "--jobs", "1"}, few).out);
}

// A program that writes a line and waits for its result before writing the next (a
// coprocess) gets each result while the input stays open.
TEST_F(NabbitParse, AnswersEachLineBeforeTheNext) {
    for (const char* jobs : {"1", "3"}) {
        QProcess tool;
        tool.start(QStringLiteral(NABBIT_BIN_DIR "/nabbit-parse"),
                   {"--resources", QString::fromStdString(dir()), "--jsonl", "--jobs", jobs});
        for (const char* code : {"482913", "1234"}) {
            tool.write(QByteArray("{\"text\":\"Your code is ") + code + "\"}\n");
            QByteArray answer;
            while (!answer.endsWith('\n') && tool.waitForReadyRead(10'000)) {
                answer += tool.readAll();
            }
            EXPECT_EQ(answer.toStdString(),
                      "{\"code\":\"" + std::string(code) + "\",\"service\":null}\n")
                << jobs << " threads";
        }
        tool.closeWriteChannel();
        EXPECT_TRUE(tool.waitForFinished(10'000));
        EXPECT_EQ(tool.exitCode(), 0);
    }
}

}  // namespace
}  // namespace nabbit
