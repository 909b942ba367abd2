// The parser compiles a pattern, and reads the required text of a file's patterns, only when a
// text first needs them, keeps them for later texts, and gives the same results as a parser
// whose patterns were all compiled first, from any number of threads at once.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "TestHome.h"
#include "parser/ResourceLocator.h"
#include "parser/ServiceExtraction.h"
#include "parser/SimpleOTPParser.h"

namespace nabbit {
namespace {

using test::TempDir;
using test::writeFile;

const std::filesystem::path kSource(NABBIT_SOURCE_DIR);

std::string languageJson(const std::string& keyword, const std::string& pattern) {
    return R"j({"keywords":[")j" + keyword + R"j("],"patterns":[")j" + pattern +
           R"j("],"exclusions":["lazyref (\\d+)"]})j";
}

std::vector<bool> compiled(const std::vector<Regex>& patterns) {
    std::vector<bool> out;
    for (const auto& pattern : patterns) {
        out.push_back(pattern.isCompiled());
    }
    return out;
}

// Two files whose patterns no other test uses (compiled patterns are shared by source).
TEST(LazyLoading, ALanguagesPatternsWaitForItsKeyword) {
    TempDir dir;
    ASSERT_TRUE(writeFile(dir.path() / "OTPKeywords" / "en.json",
                          languageJson("lazyfirst", R"(lazyfirst (\\d{6}))")));
    ASSERT_TRUE(writeFile(dir.path() / "OTPKeywords" / "xx.json",
                          languageJson("lazysecond", R"(lazysecond (\\d{6}))")));
    const SimpleOTPParser parser(ResourceLocator::forDirectory(dir.path()));
    ASSERT_EQ(parser.languagePatterns().size(), 2u);

    struct Step {
        const char* text;
        std::optional<std::string> code;
        std::vector<bool> patterns;  // compiled after the parse
        std::size_t groups;          // prefilter groups built after the parse
    };
    const Step steps[] = {
        // Construction compiles nothing; a text without keyword needs nothing.
        {"nothing here 482913", std::nullopt, {false, false}, 0},
        // The first file's keyword: its pattern, then the exclusions for the candidate.
        {"lazyfirst 482913", "482913", {true, false}, 2},
        // The second file's: the first file's group is scanned and passed over.
        {"lazysecond 551290", "551290", {true, true}, 3},
        {"lazysecond 551290 lazyref 551290", std::nullopt, {true, true}, 3},
    };
    for (const auto& step : steps) {
        const auto got = parser.parse(step.text);
        EXPECT_EQ(got ? std::optional(got->code) : std::nullopt, step.code) << step.text;
        EXPECT_EQ(compiled(parser.languagePatterns()), step.patterns) << step.text;
        EXPECT_EQ(parser.prefilterGroupsBuilt(), step.groups) << step.text;
    }
    EXPECT_EQ(compiled(parser.exclusionPatterns()), (std::vector<bool>{true, true}));
}

// Every corpus text, with the shipped files.
std::vector<std::string> corpusTexts() {
    std::vector<std::string> texts;
    for (const auto& entry : std::filesystem::directory_iterator(kSource / "tests" / "corpus")) {
        if (entry.path().extension() != ".jsonl") {
            continue;
        }
        std::ifstream in(entry.path());
        for (std::string line; std::getline(in, line);) {
            texts.push_back(nlohmann::json::parse(line).at("text").get<std::string>());
        }
    }
    return texts;
}

std::vector<std::optional<ParsedOTP>> parseAll(const SimpleOTPParser& parser,
                                               const std::vector<std::string>& texts) {
    std::vector<std::optional<ParsedOTP>> out;
    for (const auto& text : texts) {
        out.push_back(parser.parse(text));
    }
    return out;
}

TEST(LazyLoading, ResultsEqualThoseOfAParserCompiledFirst) {
    const auto texts = corpusTexts();
    ASSERT_GT(texts.size(), 2000u);
    const auto resources = ResourceLocator::forDirectory(kSource / "parser");

    // Four threads race through the first uses of one fresh parser.
    std::vector<std::vector<std::optional<ParsedOTP>>> lazy(4);
    {
        const SimpleOTPParser parser(resources);
        std::vector<std::thread> threads;
        for (auto& results : lazy) {
            threads.emplace_back([&] { results = parseAll(parser, texts); });
        }
        for (auto& thread : threads) {
            thread.join();
        }
    }

    const SimpleOTPParser eager(resources);
    for (const auto* patterns : {&eager.languagePatterns(), &eager.exclusionPatterns()}) {
        for (const auto& pattern : *patterns) {
            EXPECT_TRUE(pattern.compiles()) << pattern.source();
        }
    }
    for (const auto& pattern : serviceNamePatterns()) {
        EXPECT_TRUE(pattern.compiles()) << pattern.source();
    }
    const auto expected = parseAll(eager, texts);
    for (const auto& results : lazy) {
        ASSERT_EQ(results.size(), expected.size());
        for (std::size_t i = 0; i < texts.size(); ++i) {
            EXPECT_EQ(results[i], expected[i]) << texts[i];
        }
    }
}

}  // namespace
}  // namespace nabbit
