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

namespace nabbit::test {
namespace {

const std::filesystem::path kKeywordFolder =
    std::filesystem::path(NABBIT_SOURCE_DIR) / "parser" / "OTPKeywords";

// The parser gives a pattern from a file 100 time-limit units per match attempt. A shipped
// pattern must get through a long hostile text on a quarter of that.
constexpr int32_t kHostileBudget = 25;

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
// (no flags), once; one that does not compile fails the test that asks first.
const std::vector<Compiled>& compiledPatterns() {
    static const std::vector<Compiled> compiled = [] {
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
                ADD_FAILURE() << "does not compile: " << u_errorName(status) << " at offset "
                              << where.offset << ": " << source;
            } else {
                out.push_back({source, std::move(pattern), exclusion});
            }
        }
        return out;
    }();
    return compiled;
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

TEST(ShippedFiles, EveryFileDecodesAndEveryPatternCompilesWithACodeGroup) {
    for (const auto& problem : shipped().problems) {
        ADD_FAILURE() << problem;
    }
    ASSERT_EQ(shipped().languages.size(), 34u);
    for (const auto& language : shipped().languages) {
        EXPECT_FALSE(language.keywords.empty()) << language.name;
        EXPECT_FALSE(language.patterns.empty()) << language.name;
        EXPECT_FALSE(language.exclusions.empty()) << language.name;
        EXPECT_FALSE(language.services.empty()) << language.name;
    }

    // Every pattern compiles as the parser compiles it, with a group for the code.
    const auto& patterns = compiledPatterns();
    ASSERT_FALSE(patterns.empty());
    for (const auto& compiled : patterns) {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::RegexMatcher> matcher(
            compiled.pattern->matcher(icu::UnicodeString(), status));
        ASSERT_TRUE(U_SUCCESS(status));
        EXPECT_TRUE(compiled.exclusion || matcher->groupCount() >= 1)
            << "group 1 must hold the code: " << compiled.source;
    }
}

std::string lowerCased(const std::string& text) {
    auto lower = icu::UnicodeString::fromUTF8(text);
    lower.toLower(icu::Locale::getRoot());
    std::string out;
    return lower.toUTF8String(out);
}

// The gate compares keywords with the lower-cased text, so they must be lower-case (and given
// once). Listed names are reported as written, so they must be lower-case, trimmed and at most
// thirty characters.
TEST(ShippedFiles, KeywordsAndServiceNamesAreLowerCaseAndNoKeywordIsTooBroad) {
    for (const auto& language : shipped().languages) {
        const std::set<std::string> unique(language.keywords.begin(), language.keywords.end());
        EXPECT_EQ(unique.size(), language.keywords.size()) << language.name;
        for (const auto& keyword : language.keywords) {
            EXPECT_FALSE(keyword.empty()) << language.name;
            EXPECT_EQ(lowerCased(keyword), keyword) << language.name << ".json";
        }
        for (const auto& name : language.services) {
            const auto utf16 = icu::UnicodeString::fromUTF8(name);
            EXPECT_EQ(lowerCased(name), name) << language.name << ".json";
            EXPECT_EQ(icu::UnicodeString(utf16).trim().length(), utf16.length()) << name;
            EXPECT_LE(utf16.countChar32(), 30) << name;
        }
    }

    // A bare "code" lets promo codes and zip codes through the gate, "pin" is inside "shipping",
    // "tan" inside "distance", "码" inside "号码" (phone number): the generic stages would then
    // pick up numbers that are no codes.
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
                                                "Your verification code for order 1234 of $12.50 ",
                                                "koodi on ",
                                                "kód je 12 ",
                                                "ваш код — ",
                                                "κωδικός επαλήθευσης είναι ",
                                                "קוד האימות שלך הוא ",
                                                "رمز دوم پویا: ۱",
                                                "كلمة المرور الديناميكية هي ",
                                                "आपका ओटीपी है ",
                                                "รหัส OTP ของคุณคือ",
                                                "won a prize 1 ",
                                                "**12 "};
    const auto& patterns = compiledPatterns();
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

}  // namespace
}  // namespace nabbit::test
