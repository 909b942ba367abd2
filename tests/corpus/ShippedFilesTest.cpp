// The shipped language files and custom-patterns.json as data: they decode, their keywords
// can match at all, every pattern compiles in ICU with a code group, and no pattern
// backtracks badly. The parser would skip a broken file or pattern without a word, so these
// checks are the only place such a mistake shows.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include <unicode/locid.h>
#include <unicode/regex.h>
#include <unicode/unistr.h>

#include "Corpus.h"
#include "ShippedFiles.h"

namespace nabbit::test {
namespace {

const std::filesystem::path kKeywordFolder =
    std::filesystem::path(NABBIT_SOURCE_DIR) / "parser" / "OTPKeywords";

// The parser gives a pattern from a file 100 time-limit units per match attempt. A shipped
// pattern must get through a long hostile text on a quarter of that, and through a real
// message on a twentieth.
constexpr int32_t kHostileBudget = 25;
constexpr int32_t kMessageBudget = 5;

const ShippedFiles& shipped() {
    static const ShippedFiles files = ShippedFiles::read(kKeywordFolder);
    return files;
}

struct Compiled {
    std::string source;
    std::unique_ptr<icu::RegexPattern> pattern;
    bool exclusion = false;  // an exclusion needs no code group
};

// Every language pattern, exclusion and custom pattern, compiled as the parser compiles them
// (no flags).
std::vector<Compiled> compiledPatterns(std::vector<std::string>* failures = nullptr) {
    std::vector<std::pair<std::string, bool>> sources;
    for (const auto& language : shipped().languages) {
        for (const auto& pattern : language.patterns) {
            sources.emplace_back(pattern, false);
        }
        for (const auto& exclusion : language.exclusions) {
            sources.emplace_back(exclusion, true);
        }
    }
    for (const auto& custom : shipped().customPatterns) {
        sources.emplace_back(custom.pattern, false);
    }
    std::vector<Compiled> out;
    for (const auto& [source, exclusion] : sources) {
        UErrorCode status = U_ZERO_ERROR;
        UParseError where{};
        std::unique_ptr<icu::RegexPattern> pattern(
            icu::RegexPattern::compile(icu::UnicodeString::fromUTF8(source), 0, where, status));
        if (U_FAILURE(status) || !pattern) {
            if (failures) {
                failures->push_back(std::string(u_errorName(status)) + " at offset " +
                                    std::to_string(where.offset) + ": " + source);
            }
            continue;
        }
        out.push_back({source, std::move(pattern), exclusion});
    }
    return out;
}

// Runs every match of the pattern over the text with a time limit; false when it ran out.
bool scansWithin(const icu::RegexPattern& pattern, const icu::UnicodeString& text, int32_t budget) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> matcher(pattern.matcher(text, status));
    matcher->setTimeLimit(budget, status);
    while (U_SUCCESS(status) && matcher->find(status)) {
    }
    return status != U_REGEX_TIME_OUT;
}

TEST(ShippedFiles, EveryLanguageFileAndTheCustomPatternsDecode) {
    for (const auto& problem : shipped().problems) {
        ADD_FAILURE() << problem;
    }
    ASSERT_EQ(shipped().languages.size(), 16u);
    for (const auto& language : shipped().languages) {
        EXPECT_FALSE(language.keywords.empty()) << language.name;
        EXPECT_FALSE(language.patterns.empty()) << language.name;
        EXPECT_FALSE(language.exclusions.empty()) << language.name;
        EXPECT_FALSE(language.services.empty()) << language.name;
    }
}

// Listed names are reported as written, so they must be lower-case, trimmed and at most
// thirty characters.
TEST(ShippedFiles, ServiceNamesCanBeReportedAsWritten) {
    for (const auto& language : shipped().languages) {
        for (const auto& name : language.services) {
            auto lower = icu::UnicodeString::fromUTF8(name);
            lower.toLower(icu::Locale::getRoot());
            std::string lowerUtf8;
            lower.toUTF8String(lowerUtf8);
            EXPECT_EQ(lowerUtf8, name) << language.name << ".json";
            EXPECT_EQ(lower.trim().length(), icu::UnicodeString::fromUTF8(name).length()) << name;
            EXPECT_LE(lower.countChar32(), 30) << name;
        }
    }
}

TEST(ShippedFiles, KeywordsAreLowerCaseSoTheGateCanMatchThem) {
    for (const auto& language : shipped().languages) {
        std::set<std::string> seen;
        for (const auto& keyword : language.keywords) {
            EXPECT_TRUE(seen.insert(keyword).second)
                << language.name << ".json repeats " << keyword;
            EXPECT_FALSE(keyword.empty()) << language.name;
            auto lower = icu::UnicodeString::fromUTF8(keyword);
            lower.toLower(icu::Locale::getRoot());
            std::string lowerUtf8;
            lower.toUTF8String(lowerUtf8);
            EXPECT_EQ(lowerUtf8, keyword) << language.name << ".json";
        }
    }
}

// A bare "code" lets promo codes and zip codes through the gate, "pin" is inside "shipping",
// "tan" inside "distance", "码" inside "号码" (phone number): the generic stages would then
// pick up numbers that are no codes.
TEST(ShippedFiles, NoKeywordIsABareAmbiguousWord) {
    const std::vector<std::string> tooBroad = {
        "code",     "codes", "código", "codigo", "pin",          "tan",    "码",    "密码",
        "password", "senha", "clave",  "passe",  "mot de passe", "codice", "kod",   "код",
        "kode",     "mã",    "ma",     "رمز",    "コード",       "번호",   "şifre", "пароль"};
    for (const auto& language : shipped().languages) {
        for (const auto& keyword : language.keywords) {
            for (const auto& broad : tooBroad) {
                EXPECT_NE(keyword, broad) << language.name << ".json";
            }
        }
    }
}

TEST(ShippedFiles, EveryPatternCompilesInIcuPatternsWithACodeGroup) {
    std::vector<std::string> failures;
    const auto patterns = compiledPatterns(&failures);
    for (const auto& failure : failures) {
        ADD_FAILURE() << "does not compile: " << failure;
    }
    size_t expected = shipped().customPatterns.size();
    for (const auto& language : shipped().languages) {
        expected += language.patterns.size() + language.exclusions.size();
    }
    EXPECT_EQ(patterns.size(), expected);
    for (const auto& compiled : patterns) {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::RegexMatcher> matcher(
            compiled.pattern->matcher(icu::UnicodeString(), status));
        ASSERT_TRUE(U_SUCCESS(status));
        EXPECT_TRUE(compiled.exclusion || matcher->groupCount() >= 1)
            << "group 1 must hold the code: " << compiled.source;
    }
}

// Nested or overlapping repetitions blow up on texts full of keywords, digits and
// separators; a pattern that hits the parser's limit counts as not matching, so a slow
// pattern would silently lose codes.
TEST(ShippedFiles, PatternsStayWithinBudgetOnHostileTexts) {
    const std::vector<std::string> fragments = {"code ",
                                                "code: ",
                                                "Code Code ",
                                                "code is ",
                                                ",1",
                                                "1 ",
                                                "1.",
                                                "-1",
                                                "12 34 ",
                                                "AB12 ",
                                                "a",
                                                " ",
                                                "验证码",
                                                "验证码是",
                                                "TAN ",
                                                "is your ",
                                                "é o ",
                                                "use 1234 ",
                                                "code de vérification est le ",
                                                "código de verificación es ",
                                                "Ihr Code lautet ",
                                                "Your verification code for order 1234 of $12.50 "};
    const auto patterns = compiledPatterns();
    ASSERT_FALSE(patterns.empty());
    for (const auto& fragment : fragments) {
        std::string hostile;
        while (hostile.size() < 600) {
            hostile += fragment;
        }
        const auto text = icu::UnicodeString::fromUTF8(hostile);
        for (const auto& compiled : patterns) {
            EXPECT_TRUE(scansWithin(*compiled.pattern, text, kHostileBudget))
                << "repeated '" << fragment << "': " << compiled.source;
        }
    }
}

TEST(ShippedFiles, PatternsAreCheapOnEveryCorpusMessage) {
    const auto patterns = compiledPatterns();
    const auto corpora = Corpus::loadAll(std::filesystem::path(NABBIT_SOURCE_DIR) / "tests/corpus");
    ASSERT_FALSE(corpora.empty());
    for (const auto& corpus : corpora) {
        for (const auto& line : corpus.lines) {
            const auto text = icu::UnicodeString::fromUTF8(line.text);
            for (const auto& compiled : patterns) {
                EXPECT_TRUE(scansWithin(*compiled.pattern, text, kMessageBudget))
                    << corpus.language << ":" << line.lineNumber << ": " << compiled.source;
            }
        }
    }
}

}  // namespace
}  // namespace nabbit::test
