// Digits of other scripts are found like ASCII digits and codes are delivered in ASCII; a text
// with ASCII digits only is read exactly as received.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <unicode/regex.h>

#include "ParserTestSupport.h"
#include "parser/AsciiDigits.h"
#include "parser/CheapSets.h"
#include "parser/SimpleOTPParser.h"
#include "parser/UnicodeText.h"

namespace nabbit {
namespace {

using test::makeParser;
using test::result;

struct DigitsCase {
    const char* name;
    std::string text;
    std::optional<std::string> expected;
};

class AsciiDigits : public ::testing::TestWithParam<DigitsCase> {};

TEST_P(AsciiDigits, WritesOtherDigitsInAscii) {
    const auto out = withAsciiDigits(fromUtf8(GetParam().text));
    EXPECT_EQ(out ? std::optional(toUtf8(*out)) : std::nullopt, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Parser, AsciiDigits,
    ::testing::Values(DigitsCase{"arabic_indic", "رمز ٤٨٢٩١٣", "رمز 482913"},
                      DigitsCase{"persian", "کد ۴۸۲۹۱۳", "کد 482913"},
                      DigitsCase{"devanagari", "ओटीपी ४८२९१३", "ओटीपी 482913"},
                      DigitsCase{"bengali", "কোড ৪৮২৯১৩", "কোড 482913"},
                      DigitsCase{"thai", "รหัส ๔๘๒๙๑๓", "รหัส 482913"},
                      DigitsCase{"full_width", "コード：４８２９１３", "コード：482913"},
                      DigitsCase{"outside_bmp", "\xF0\x9D\x9F\x92\xF0\x9D\x9F\x96 x", "48 x"},
                      DigitsCase{"arabic_separators", "١٢٬٣٤٥٫٦٧ ريال", "12,345.67 ريال"},
                      DigitsCase{"mixed", "code 12 ٣٤", "code 12 34"},
                      DigitsCase{"ascii_only", "code 482913, ٬ ٫", std::nullopt},
                      DigitsCase{"separators_alone", "١٢٬", "12,"}),
    [](const auto& info) { return std::string(info.param.name); });

// Language patterns written with [0-9], the generic stages and custom patterns all take other
// digits, and every code comes out in ASCII.
TEST(OtherDigits, AreFoundAndDeliveredInAscii) {
    const auto parser =
        makeParser({"code", "otp"}, {R"(code[:\s]+([0-9]{6}))"}, {{"Ref", R"(ref (\d{4}))"}});
    EXPECT_EQ(parser.parse("code: ٤٨٢٩١٣"), result("482913"));
    EXPECT_EQ(parser.parse("Your OTP is ४८२ ९१३"), result("482913"));
    EXPECT_EQ(parser.parse("ref ۷۷۳۱"), result("7731", "ref"));
    // Amounts in Arabic digits are amounts: '$' then digits is excluded as before.
    EXPECT_EQ(parser.parse("OTP for $٤٨٢٩"), std::nullopt);
    // A code in ASCII digits next to other digits: the text is read as before.
    EXPECT_EQ(parser.parse("code: 551290 ٢٠٢٤"), result("551290"));
}

// Patterns run on such texts compile each \d as 0-9; anything the rewrite does not follow
// completely is compiled as written.
TEST(CheapSets, DigitsOfLanguagePatternsAreWrittenInAscii) {
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases{
        {R"((?<![\d.,])(\d{6})(?![\d/]))",
         R"((?<![\x{30}-\x{39}.,])([\x{30}-\x{39}]{6})(?![\x{30}-\x{39}/]))"},
        {R"([^\d\n]\D)", R"([^\x{30}-\x{39}\n][^\x{30}-\x{39}])"},
        {R"(\[\d\]\\d[\-\d])", R"(\[[\x{30}-\x{39}]\]\\d[\-\x{30}-\x{39}])"},
        // An escape before it keeps its own digits ('\0' is octal, '\x5' hexadecimal).
        {R"([\0\d\x5\d])", R"([\0\x{30}-\x{39}\x5\x{30}-\x{39}])"},
        // A set opening with ':' that ICU reads as an ordinary set, and one it would not.
        {R"([:：=]\d)", R"([:：=][\x{30}-\x{39}])"},
        {R"([:：=]\d[.:])", std::nullopt},
        {R"([:a\n:]\d)", R"([:a\n:][\x{30}-\x{39}])"},
        {R"([:\n:]\d)", std::nullopt},
        // A '-' anywhere but between plain characters: ICU reads it by rules of its own (after
        // '&' a range starts at the last literal of an earlier set, which 0-9 would change).
        {R"([\d-x][\d])", std::nullopt},
        {R"([\s.\d][^&-/])", std::nullopt},
        // Free-spacing, comments, quoting, nested sets, set operations, POSIX classes.
        {R"((?x) [\d] # [)", std::nullopt},
        {R"((?ix:[\d]))", std::nullopt},
        {R"((?i-x:[\d]))", R"((?i-x:[\x{30}-\x{39}]))"},
        {R"((?# [ )[\d])", std::nullopt},
        {R"(\Q[\d]\E)", std::nullopt},
        {R"([\c\d])", std::nullopt},
        {R"([\pL\d])", std::nullopt},
        {R"([[a-z]\d])", std::nullopt},
        {R"([\p{L}&&\d])", std::nullopt},
        {R"([\d--[5]])", std::nullopt},
        {R"([]\d])", std::nullopt},
        {R"([[:digit:]\d])", std::nullopt},
        {R"([\d)", std::nullopt},
        {R"(\d))", std::nullopt},
        {R"(\d()", std::nullopt},
        {R"(\d(?)", std::nullopt},
    };
    for (const auto& [source, expected] : cases) {
        EXPECT_EQ(withCheapSets(source, {.asciiDigits = true}), expected) << source;
    }
    // Patterns that may meet other digits keep theirs.
    EXPECT_EQ(withCheapSets(R"([\d]\d)", {}), std::nullopt);
}

// The spans of every match of a pattern over a text.
std::vector<int32_t> spansOf(const std::string& source, const icu::UnicodeString& text) {
    UErrorCode status = U_ZERO_ERROR;
    UParseError where{};
    const std::unique_ptr<icu::RegexPattern> pattern(
        icu::RegexPattern::compile(fromUtf8(source), 0, where, status));
    std::vector<int32_t> spans;
    if (U_FAILURE(status)) {
        ADD_FAILURE() << source << " does not compile";
        return spans;
    }
    const std::unique_ptr<icu::RegexMatcher> matcher(pattern->matcher(text, status));
    while (matcher->find(status)) {
        spans.push_back(matcher->start(status));
        spans.push_back(matcher->end(status));
    }
    return spans;
}

// \p{L}, \p{Lu} and \p{Ll} where case counts are compiled from binary properties: over every
// code point, alone, in a set and in a negated set, the rewritten class matches exactly the
// runs the category does.
TEST(CheapSets, LetterCategoriesMatchExactlyTheSame) {
    icu::UnicodeString everything;
    for (UChar32 c = 1; c <= 0x10FFFF; ++c) {
        if (c < 0xD800 || c > 0xDFFF) {
            everything.append(c);
        }
    }
    for (const std::string category : {"L", "Lu", "Ll"}) {
        const std::string property = "\\p{" + category + "}";
        for (const std::string& source :
             {property + "+", "[" + property + "\\-.]+", "[^" + property + "\\n]+"}) {
            const auto cheap = withCheapSets(source, {});
            ASSERT_TRUE(cheap) << source;
            EXPECT_EQ(cheap->find(property), std::string::npos) << *cheap;
            EXPECT_TRUE(spansOf(*cheap, everything) == spansOf(source, everything)) << source;
        }
    }
}

// Where case is ignored ICU closes a set over case, which costs more than the rewrite saves:
// those letter classes stay as written, and the scope of each flag is followed.
TEST(CheapSets, LetterCategoriesWhereCaseIsIgnoredStay) {
    const auto rewrites = [](const std::string& source, bool caseInsensitive = false) {
        const auto cheap = withCheapSets(source, {.caseInsensitive = caseInsensitive});
        return cheap ? std::count(cheap->begin(), cheap->end(), '{') -
                           std::count(source.begin(), source.end(), '{')
                     : 0;
    };
    const std::vector<std::pair<std::string, bool>> cases{
        {R"(\p{L})", true},          {R"((?i:a)\p{Lu})", true},    {R"((?i:\p{L}))", false},
        {R"((?i)a\p{L})", false},    {R"(((?i)a)\p{L})", true},    {R"((?i)(?-i:\p{Ll}))", true},
        {R"((?i)(?:\p{L}))", false}, {R"((?i)(?<=\p{L}))", false}, {R"([\p{M}\p{N}])", false},
        {R"(\P{L})", false},
    };
    for (const auto& [source, rewritten] : cases) {
        EXPECT_EQ(rewrites(source) > 0, rewritten) << source;
    }
    EXPECT_EQ(rewrites(R"(\p{L})", true), 0);
    EXPECT_GT(rewrites(R"((?-i:\p{L}))", true), 0);
}

}  // namespace
}  // namespace nabbit
