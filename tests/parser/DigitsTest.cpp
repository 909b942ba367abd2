// Digits of other scripts are found like ASCII digits and codes are delivered in ASCII; a text
// with ASCII digits only is read exactly as received.
#include <gtest/gtest.h>

#include <string>

#include "ParserTestSupport.h"
#include "parser/AsciiDigitSets.h"
#include "parser/AsciiDigits.h"
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

// Patterns run on such texts compile each \d inside a set as 0-9; anything the rewrite does
// not follow completely is compiled as written.
TEST(OtherDigits, DigitSetsOfLanguagePatternsAreWrittenInAscii) {
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases{
        {R"((?<![\d.,])(\d{6})(?![\d/]))", R"((?<![\x{30}-\x{39}.,])(\d{6})(?![\x{30}-\x{39}/]))"},
        {R"([^\d\n][\p{L}\d.&'’\-])", R"([^\x{30}-\x{39}\n][\p{L}\x{30}-\x{39}.&'’\-])"},
        {R"(\[\d\]\\d[\-\d])", R"(\[\d\]\\d[\-\x{30}-\x{39}])"},
        {R"([a-z\d][^A-F0-9\d])", R"([a-z\x{30}-\x{39}][^A-F0-9\x{30}-\x{39}])"},
        // An escape before it keeps its own digits ('\0' is octal, '\x5' hexadecimal).
        {R"([\0\d\x5\d])", R"([\0\x{30}-\x{39}\x5\x{30}-\x{39}])"},
        // A \d outside sets costs nothing already.
        {R"(\d{4}\D)", std::nullopt},
        // A '-' anywhere but between plain characters: ICU reads it by rules of its own (after
        // '&' a range starts at the last literal of an earlier set, which 0-9 would change).
        {R"([\d-x][\d])", std::nullopt},
        {R"([\d][a-\d])", std::nullopt},
        {R"([\s.\d][^&-/])", std::nullopt},
        {R"([\d][-a])", std::nullopt},
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
        {R"([\d]\)", std::nullopt},
    };
    for (const auto& [source, expected] : cases) {
        EXPECT_EQ(withAsciiDigitSets(source), expected) << source;
    }
}

}  // namespace
}  // namespace nabbit
