#include <gtest/gtest.h>

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

TEST(LanguageFile, DecodesKeywordsAndPatterns) {
    const auto file = decodeLanguageFile(R"json({"keywords":["code"],"patterns":["code (\\d+)"],
                                             "comment":"ignored"})json");
    ASSERT_TRUE(file);
    EXPECT_EQ(file->keywords, (std::set<std::string>{"code"}));
    ASSERT_EQ(file->patterns.size(), 1u);
    EXPECT_EQ(file->patterns[0].source(), R"(code (\d+))");
    EXPECT_TRUE(file->patterns[0].bounded());
}

TEST(LanguageFile, KeepsKeywordsAsWritten) {
    const auto file =
        decodeLanguageFile(R"json({"keywords":["Code"," pin","code"],"patterns":[]})json");
    ASSERT_TRUE(file);
    EXPECT_EQ(file->keywords, (std::set<std::string>{"Code", " pin", "code"}));
}

TEST(LanguageFile, InvalidPatternIsLeftOutOthersKeepOrder) {
    const auto file = decodeLanguageFile(
        R"json({"keywords":[],"patterns":["a(\\d+)","(unclosed","b(\\d+)"]})json");
    ASSERT_TRUE(file);
    EXPECT_EQ(sources(file->patterns), (std::vector<std::string>{R"(a(\d+))", R"(b(\d+))"}));
}

TEST(LanguageFile, FailsAsAWhole) {
    for (const char* json : {
             R"json({"keywords":["code"]})json",                    // no patterns
             R"json({"patterns":["(\\d+)"]})json",                  // no keywords
             R"json({"keywords":"code","patterns":[]})json",        // keywords not an array
             R"json({"keywords":["code",1],"patterns":[]})json",    // a keyword not a string
             R"json({"keywords":["code"],"patterns":[null]})json",  // a pattern not a string
             R"json({"keywords":["code"],"patterns":null})json",    // null member
             R"json([{"keywords":["code"],"patterns":[]}])json",    // not an object
             R"json({"keywords":["code"],"patterns":[],})json",     // not JSON
             "",                                                    // empty
             "{\"keywords\":[\"\xff\"],\"patterns\":[]}",           // invalid UTF-8
         }) {
        EXPECT_FALSE(decodeLanguageFile(json).has_value()) << json;
    }
}

TEST(LanguageFile, DecodesOptionalExclusionsAndServices) {
    const auto file = decodeLanguageFile(R"json({"keywords":[],"patterns":[],
        "exclusions":["booking (\\d+)","(bad"],"services":[" Acme Bank ","ACME BANK","Zorg",""]})json");
    ASSERT_TRUE(file);
    EXPECT_EQ(sources(file->exclusions), (std::vector<std::string>{R"(booking (\d+))"}));
    EXPECT_TRUE(file->exclusions[0].bounded());
    EXPECT_EQ(file->services, (std::vector<std::string>{"acme bank", "zorg"}));
    for (const char* json : {
             R"json({"keywords":[],"patterns":[],"exclusions":"x"})json",
             R"json({"keywords":[],"patterns":[],"exclusions":[1]})json",
             R"json({"keywords":[],"patterns":[],"services":null})json",
             R"json({"keywords":[],"patterns":[],"services":[["acme"]]})json",
         }) {
        EXPECT_FALSE(decodeLanguageFile(json).has_value()) << json;
    }
}

TEST(LanguageFile, MissingOrUnreadableFileIsAbsent) {
    TempDir dir;
    EXPECT_FALSE(loadLanguageFile(dir.path() / "en.json").has_value());
    fs::create_directories(dir.path() / "fr.json");
    EXPECT_FALSE(loadLanguageFile(dir.path() / "fr.json").has_value());
    ASSERT_TRUE(writeFile(dir.path() / "de.json", languageJson("code", "x")));
    EXPECT_TRUE(loadLanguageFile(dir.path() / "de.json").has_value());
}

TEST(LanguageFiles, MergeInFixedOrderFromBothPlaces) {
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
}

TEST(LanguageFiles, BrokenFileIsSkippedWithItsKeywords) {
    TempDir dir;
    ASSERT_TRUE(writeFile(dir.path() / "en.json", languageJson("code", "same")));
    ASSERT_TRUE(writeFile(dir.path() / "fr.json", R"json({"keywords":["brisé"]})json"));
    ASSERT_TRUE(writeFile(dir.path() / "es.json", languageJson("code", "same")));
    const LanguageFile merged = loadLanguageFiles(ResourceLocator::forDirectory(dir.path()));
    EXPECT_EQ(merged.keywords, (std::set<std::string>{"code"}));
    // The same pattern in two files is tried twice.
    EXPECT_EQ(sources(merged.patterns), (std::vector<std::string>{"same", "same"}));
}

TEST(CustomPatterns, DecodesEntriesInOrder) {
    const auto patterns = decodeCustomPatternsFile(R"json({"customPatterns":[
        {"service":"Acme","pattern":"ref (\\w+)"},
        {"service":"Bad","pattern":"(["},
        {"service":"Zorg","pattern":"z(\\d+)"}]})json");
    ASSERT_TRUE(patterns);
    EXPECT_EQ(services(*patterns), (std::vector<std::string>{"Acme", "Zorg"}));
    EXPECT_TRUE((*patterns)[0].regex.bounded());
}

TEST(CustomPatterns, OnlyInvalidPatternGivesEmptyList) {
    const auto patterns = decodeCustomPatternsFile(
        R"json({"customPatterns":[{"service":"Bad","pattern":"(a"}]})json");
    ASSERT_TRUE(patterns);
    EXPECT_TRUE(patterns->empty());
}

TEST(CustomPatterns, FailsAsAWhole) {
    for (
        const char* json : {
            R"json({"patterns":[]})json",
            R"json({"customPatterns":{}})json",
            R"json({"customPatterns":[{"service":"a"}]})json",
            R"json({"customPatterns":[{"pattern":"(\\d+)"}]})json",
            R"json({"customPatterns":[{"service":"a","pattern":"(\\d+)"},{"service":1,"pattern":"x"}]})json",
            R"json({"customPatterns":["(\\d+)"]})json",
            "not json",
        }) {
        EXPECT_FALSE(decodeCustomPatternsFile(json).has_value()) << json;
    }
}

TEST(CustomPatterns, MissingOrBrokenFileGivesNoPatterns) {
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

TEST(ParserFromFiles, NoFilesMeansOnlyCustomPatterns) {
    TempDir dir;
    const SimpleOTPParser empty(ResourceLocator::forDirectory(dir.path()));
    EXPECT_TRUE(empty.otpKeywords().empty());
    EXPECT_EQ(empty.parse("Your verification code is 482913"), std::nullopt);

    ASSERT_TRUE(writeFile(
        dir.path() / "custom-patterns.json",
        R"json({"customPatterns":[{"service":"Acme","pattern":"ref ([A-Z0-9-]+)"}]})json"));
    const SimpleOTPParser custom(ResourceLocator::forDirectory(dir.path()));
    EXPECT_EQ(custom.parse("ref AB-12-CD"), (ParsedOTP{"acme", "AB12CD"}));
}

// Points XDG_DATA_HOME (and HOME) somewhere for one test and puts them back afterwards.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(UserOverride, FolderFollowsXdgDataHome) {
    TempDir dir;
    {
        ScopedEnv data("XDG_DATA_HOME", dir.path().c_str());
        EXPECT_EQ(ResourceLocator::userOverrideDir(), dir.path() / "nabbit" / "OTPKeywords");
    }
    {
        ScopedEnv data("XDG_DATA_HOME", nullptr);
        ScopedEnv home("HOME", dir.path().c_str());
        EXPECT_EQ(ResourceLocator::userOverrideDir(),
                  dir.path() / ".local" / "share" / "nabbit" / "OTPKeywords");
    }
    {
        ScopedEnv data("XDG_DATA_HOME", "relative/path");
        ScopedEnv home("HOME", dir.path().c_str());
        EXPECT_EQ(ResourceLocator::userOverrideDir(),
                  dir.path() / ".local" / "share" / "nabbit" / "OTPKeywords");
    }
}

TEST(UserOverride, ReplacesTheShippedFileOfTheSameName) {
    TempDir shipped;
    TempDir user;
    ASSERT_TRUE(writeFile(shipped.path() / "OTPKeywords" / "en.json", languageJson("code", "en")));
    ASSERT_TRUE(writeFile(shipped.path() / "OTPKeywords" / "fr.json", languageJson("code", "fr")));
    ASSERT_TRUE(writeFile(user.path() / "en.json", languageJson("kod", "mine")));
    // A broken override still replaces the shipped file: it is skipped, not backed up.
    ASSERT_TRUE(writeFile(user.path() / "fr.json", "{"));
    ASSERT_TRUE(
        writeFile(user.path() / "custom-patterns.json",
                  R"json({"customPatterns":[{"service":"Mine","pattern":"m(\\d{4})"}]})json"));

    const ResourceLocator locator(shipped.path(), user.path());
    const SimpleOTPParser parser(locator);
    EXPECT_EQ(parser.otpKeywords(), (std::set<std::string>{"kod"}));
    EXPECT_EQ(sources(parser.languagePatterns()), (std::vector<std::string>{"mine"}));
    EXPECT_EQ(services(parser.customPatterns()), (std::vector<std::string>{"Mine"}));

    // An explicit resources folder ignores the overrides.
    const SimpleOTPParser explicitParser(ResourceLocator::forDirectory(shipped.path()));
    EXPECT_EQ(sources(explicitParser.languagePatterns()), (std::vector<std::string>{"en", "fr"}));
}

TEST(UserOverride, ReplacesAndAddsFurtherLanguageFiles) {
    TempDir shipped;
    TempDir user;
    ASSERT_TRUE(writeFile(shipped.path() / "OTPKeywords" / "en.json", languageJson("code", "en")));
    ASSERT_TRUE(
        writeFile(shipped.path() / "OTPKeywords" / "it.json", languageJson("codice", "it")));
    ASSERT_TRUE(writeFile(shipped.path() / "OTPKeywords" / "nl.json", languageJson("code", "nl")));
    ASSERT_TRUE(writeFile(user.path() / "it.json", languageJson("codice", "my it")));
    ASSERT_TRUE(writeFile(user.path() / "xx.json", languageJson("kod", "my xx")));
    const SimpleOTPParser parser(ResourceLocator(shipped.path(), user.path()));
    EXPECT_EQ(sources(parser.languagePatterns()),
              (std::vector<std::string>{"en", "my it", "nl", "my xx"}));
}

TEST(UserOverride, DefaultParserUsesAndCreatesTheUserFolder) {
    TempDir data;
    ScopedEnv env("XDG_DATA_HOME", data.path().c_str());
    const fs::path folder = data.path() / "nabbit" / "OTPKeywords";
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
