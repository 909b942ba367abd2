#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "TestHome.h"
#include "parser/CustomPatternsFile.h"
#include "parser/LanguageFile.h"
#include "parser/LanguageFiles.h"
#include "parser/ResourceLocator.h"
#include "parser/SimpleOTPParser.h"

namespace nabbit {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::writeFile;

std::vector<std::string> sources(const std::vector<Regex>& patterns) {
    std::vector<std::string> out;
    for (const auto& pattern : patterns) {
        out.push_back(pattern.source());
    }
    return out;
}

std::vector<std::string> services(const std::vector<CustomPattern>& patterns) {
    std::vector<std::string> out;
    for (const auto& pattern : patterns) {
        out.push_back(pattern.service);
    }
    return out;
}

std::string languageJson(const std::string& keyword, const std::string& pattern) {
    return "{\"keywords\":[\"" + keyword + "\"],\"patterns\":[\"" + pattern + "\"]}";
}

// Keywords are kept as written; patterns and exclusions keep their order, bounded, and one
// that does not compile matches nothing; service names are trimmed, lower-cased and given
// once.
TEST(LanguageFile, DecodesEveryMemberAnInvalidPatternMatchingNothing) {
    const auto file = decodeLanguageFile(R"json({"keywords":["Code"," pin","code"],
        "patterns":["a(\\d+)","(unclosed","b(\\d+)"],"comment":"ignored",
        "exclusions":["booking (\\d+)","(bad"],"services":[" Acme Bank ","ACME BANK","Zorg",""]})json");
    ASSERT_TRUE(file);
    EXPECT_EQ(file->keywords, (std::set<std::string>{"Code", " pin", "code"}));
    EXPECT_EQ(sources(file->patterns),
              (std::vector<std::string>{R"(a(\d+))", "(unclosed", R"(b(\d+))"}));
    EXPECT_TRUE(file->patterns[0].bounded());
    EXPECT_TRUE(file->patterns[0].compiles());
    EXPECT_FALSE(file->patterns[1].compiles());
    const icu::UnicodeString text(u"(unclosed a1");
    EXPECT_FALSE(file->patterns[1].scan(text).next());
    EXPECT_EQ(sources(file->exclusions), (std::vector<std::string>{R"(booking (\d+))", "(bad"}));
    EXPECT_TRUE(file->exclusions[0].bounded());
    EXPECT_FALSE(file->exclusions[1].compiles());
    EXPECT_EQ(file->services, (std::vector<std::string>{"acme bank", "zorg"}));
}

// Only the top level's members count, each with the last value given, as in a parsed
// document.
TEST(LanguageFile, ReadsTheTopLevelMembersLastGiven) {
    const auto file = decodeLanguageFile(
        R"json({"keywords":5,"notes":{"keywords":[1],"patterns":null},"patterns":["x"],)json"
        R"json("keywords":["b"],"services":[["nested"]],"services":["Acme"]})json");
    ASSERT_TRUE(file);
    EXPECT_EQ(file->keywords, (std::set<std::string>{"b"}));
    EXPECT_EQ(sources(file->patterns), (std::vector<std::string>{"x"}));
    EXPECT_EQ(file->services, (std::vector<std::string>{"acme"}));
}

TEST(LanguageFile, FailsAsAWhole) {
    for (const char* json : {
             R"json({"keywords":["code"]})json",                  // no patterns
             R"json({"keywords":"code","patterns":[]})json",      // keywords not an array
             R"json({"keywords":["code",1],"patterns":[]})json",  // a keyword not a string
             R"json([{"keywords":["code"],"patterns":[]}])json",  // not an object
             R"json({"keywords":["code"],"patterns":[],})json",   // not JSON
             "{\"keywords\":[\"\xff\"],\"patterns\":[]}",         // invalid UTF-8
             R"json({"keywords":[],"patterns":[],"exclusions":"x"})json",
             R"json({"keywords":[],"patterns":[],"services":[["acme"]]})json",
             R"json({"keywords":["code"],"patterns":[],"keywords":5})json",  // last one wrong
         }) {
        EXPECT_FALSE(decodeLanguageFile(json).has_value()) << json;
    }
    // Loading fails too for a missing file.
    TempDir dir;
    EXPECT_FALSE(loadLanguageFile(dir.path() / "en.json").has_value());
    // Nor is a file far larger than any data file read whole (a sparse one, 65 MiB).
    ASSERT_TRUE(writeFile(dir.path() / "es.json", languageJson("code", "x")));
    fs::resize_file(dir.path() / "es.json", 65 * 1024 * 1024);
    EXPECT_FALSE(ResourceLocator::readFile(dir.path() / "es.json").has_value());
    // A FIFO in a file's place is not waited on (no writer would ever come), nor read, like
    // anything else that is not a regular file.
    ASSERT_EQ(::mkfifo((dir.path() / "it.json").c_str(), 0600), 0);
    EXPECT_FALSE(ResourceLocator::readFile(dir.path() / "it.json").has_value());
    // Read whole, to the last byte.
    ASSERT_TRUE(writeFile(dir.path() / "nl.json", std::string(40000, 'x') + "end"));
    EXPECT_EQ(ResourceLocator::readFile(dir.path() / "nl.json"), std::string(40000, 'x') + "end");
}

TEST(LanguageFiles, MergeInFixedOrderFromBothPlacesSkippingBrokenFiles) {
    TempDir dir;
    const fs::path sub = dir.path() / "OTPKeywords";
    // Written out of order, split between the subfolder and the top level.
    ASSERT_TRUE(writeFile(sub / "pt.json", languageJson("codigo", "pt")));
    ASSERT_TRUE(writeFile(dir.path() / "de.json", languageJson("code", "de")));
    ASSERT_TRUE(writeFile(sub / "es.json", languageJson("código", "es")));
    ASSERT_TRUE(writeFile(dir.path() / "zh.json", languageJson("验证码", "zh")));
    ASSERT_TRUE(writeFile(sub / "fr.json", languageJson("code", "fr")));
    ASSERT_TRUE(writeFile(sub / "en.json", languageJson("code", "en")));
    // The subfolder wins over the top level.
    ASSERT_TRUE(writeFile(dir.path() / "en.json", languageJson("ignored", "ignored")));
    // Further files follow the six in name order, from either place; custom-patterns.json,
    // hidden files and other extensions are no language files.
    ASSERT_TRUE(writeFile(sub / "it.json", languageJson("codice", "it")));
    ASSERT_TRUE(writeFile(dir.path() / "ar.json", languageJson("رمز", "ar")));
    ASSERT_TRUE(writeFile(sub / "custom-patterns.json", R"json({"customPatterns":[]})json"));
    ASSERT_TRUE(writeFile(sub / ".nl.json", languageJson("hidden", "hidden")));
    ASSERT_TRUE(writeFile(sub / "nl.json~", languageJson("backup", "backup")));

    const LanguageFile merged = loadLanguageFiles(ResourceLocator::forDirectory(dir.path()));
    EXPECT_EQ(sources(merged.patterns),
              (std::vector<std::string>{"en", "fr", "zh", "es", "de", "pt", "ar", "it"}));
    EXPECT_EQ(merged.keywords,
              (std::set<std::string>{"code", "codigo", "código", "验证码", "codice", "رمز"}));

    // A broken file is skipped with its keywords; the same pattern in two files is tried twice.
    TempDir other;
    ASSERT_TRUE(writeFile(other.path() / "en.json", languageJson("code", "same")));
    ASSERT_TRUE(writeFile(other.path() / "fr.json", R"json({"keywords":["brisé"]})json"));
    ASSERT_TRUE(writeFile(other.path() / "es.json", languageJson("code", "same")));
    const LanguageFile skipped = loadLanguageFiles(ResourceLocator::forDirectory(other.path()));
    EXPECT_EQ(skipped.keywords, (std::set<std::string>{"code"}));
    EXPECT_EQ(sources(skipped.patterns), (std::vector<std::string>{"same", "same"}));
}

// Entries keep their order, compiled bounded; one whose pattern does not compile is left out.
TEST(CustomPatterns, DecodesEntriesInOrderLeavingOutInvalidPatterns) {
    const auto patterns = decodeCustomPatternsFile(R"json({"customPatterns":[
        {"service":"Acme","pattern":"ref (\\w+)"},
        {"service":"Bad","pattern":"(["},
        {"service":"Zorg","pattern":"z(\\d+)"}]})json");
    ASSERT_TRUE(patterns);
    EXPECT_EQ(services(*patterns), (std::vector<std::string>{"Acme", "Zorg"}));
    EXPECT_TRUE((*patterns)[0].regex.bounded());
}

TEST(CustomPatterns, FailsAsAWholeAndAMissingOrBrokenFileGivesNone) {
    for (
        const char* json : {
            R"json({"patterns":[]})json",
            R"json({"customPatterns":{}})json",
            R"json({"customPatterns":[{"service":"a"}]})json",
            R"json({"customPatterns":[{"service":"a","pattern":"(\\d+)"},{"service":1,"pattern":"x"}]})json",
            R"json({"customPatterns":["(\\d+)"]})json",
            "not json",
        }) {
        EXPECT_FALSE(decodeCustomPatternsFile(json).has_value()) << json;
    }

    TempDir dir;
    const auto locator = ResourceLocator::forDirectory(dir.path());
    EXPECT_TRUE(loadCustomPatterns(locator).empty());
    ASSERT_TRUE(writeFile(dir.path() / "custom-patterns.json", "{broken"));
    EXPECT_TRUE(loadCustomPatterns(locator).empty());
    ASSERT_TRUE(
        writeFile(dir.path() / "OTPKeywords" / "custom-patterns.json",
                  R"json({"customPatterns":[{"service":"Acme","pattern":"ref (\\w+)"}]})json"));
    EXPECT_EQ(services(loadCustomPatterns(locator)), (std::vector<std::string>{"Acme"}));
}

// The folder follows XDG_DATA_HOME where it is absolute, else HOME (the test main points both
// into the test's home).
TEST(UserOverride, FolderFollowsXdgDataHome) {
    TempDir dir;
    const fs::path dataHome = test::testHome() / ".local" / "share";
    const std::pair<const char*, fs::path> cases[] = {
        {dir.path().c_str(), dir.path() / "nabbit" / "OTPKeywords"},
        {nullptr, dataHome / "nabbit" / "OTPKeywords"},
        {"relative/path", dataHome / "nabbit" / "OTPKeywords"},  // not absolute: ignored
    };
    for (const auto& [value, expected] : cases) {
        value != nullptr ? ::setenv("XDG_DATA_HOME", value, 1) : ::unsetenv("XDG_DATA_HOME");
        EXPECT_EQ(ResourceLocator::userOverrideDir(), expected);
    }
    ::setenv("XDG_DATA_HOME", dataHome.c_str(), 1);
}

// A user's file replaces the shipped file of the same name, even a broken one (it is skipped,
// not backed up), and further files join the shipped ones in name order.
TEST(UserOverride, ReplacesAndAddsFiles) {
    TempDir shipped;
    TempDir user;
    for (const char* name : {"en", "fr", "it", "nl"}) {
        ASSERT_TRUE(writeFile(shipped.path() / "OTPKeywords" / (std::string(name) + ".json"),
                              languageJson("code", name)));
    }
    ASSERT_TRUE(writeFile(user.path() / "en.json", languageJson("kod", "mine")));
    ASSERT_TRUE(writeFile(user.path() / "fr.json", "{"));
    ASSERT_TRUE(writeFile(user.path() / "it.json", languageJson("codice", "my it")));
    ASSERT_TRUE(writeFile(user.path() / "xx.json", languageJson("kod", "my xx")));
    ASSERT_TRUE(
        writeFile(user.path() / "custom-patterns.json",
                  R"json({"customPatterns":[{"service":"Mine","pattern":"m(\\d{4})"}]})json"));

    const SimpleOTPParser parser(ResourceLocator(shipped.path(), user.path()));
    EXPECT_EQ(parser.otpKeywords(), (std::set<std::string>{"kod", "codice", "code"}));
    EXPECT_EQ(sources(parser.languagePatterns()),
              (std::vector<std::string>{"mine", "my it", "nl", "my xx"}));
    EXPECT_EQ(services(parser.customPatterns()), (std::vector<std::string>{"Mine"}));

    // An explicit resources folder ignores the overrides.
    const SimpleOTPParser explicitParser(ResourceLocator::forDirectory(shipped.path()));
    EXPECT_EQ(sources(explicitParser.languagePatterns()),
              (std::vector<std::string>{"en", "fr", "it", "nl"}));
}

TEST(UserOverride, DefaultParserUsesAndCreatesTheUserFolder) {
    const fs::path folder = test::testHome() / ".local" / "share" / "nabbit" / "OTPKeywords";
    EXPECT_FALSE(fs::exists(folder));
    const SimpleOTPParser plain;
    EXPECT_TRUE(fs::is_directory(folder));

    ASSERT_TRUE(writeFile(folder / "en.json", languageJson("zqxcode", R"(zqx(\\d{5}))")));
    const SimpleOTPParser parser;
    EXPECT_TRUE(parser.otpKeywords().contains("zqxcode"));
    ASSERT_FALSE(parser.languagePatterns().empty());
    EXPECT_EQ(parser.languagePatterns().front().source(), R"(zqx(\d{5}))");
    EXPECT_EQ(parser.parse("zqxcode: zqx12345").value_or(ParsedOTP{}).code, "12345");
}

}  // namespace
}  // namespace nabbit
