#include <gtest/gtest.h>

#include <string>

#include "parser/CharacterClasses.h"
#include "parser/GraphemeCount.h"
#include "parser/UnicodeText.h"

namespace nabbit {
namespace {

struct Count {
    const char* name;
    std::string text;
    std::size_t graphemes;
};

class Graphemes : public ::testing::TestWithParam<Count> {};

TEST_P(Graphemes, CountsUserPerceivedCharacters) {
    EXPECT_EQ(graphemeCount(GetParam().text), GetParam().graphemes);
}

INSTANTIATE_TEST_SUITE_P(
    Unicode, Graphemes,
    ::testing::Values(Count{"empty", "", 0}, Count{"ascii", "482913", 6},
                      Count{"crlf_is_one", "a\r\nb", 3}, Count{"latin1", "Ça été", 6},
                      Count{"combining", "e\u0301e\u0301e\u0301e\u0301", 4},
                      Count{"zwj_family", "\U0001F468\u200D\U0001F469\u200D\U0001F467", 1},
                      Count{"astral_digits", "\U0001D7CE\U0001D7CF", 2}, Count{"cjk", "验证码", 3},
                      Count{"invalid_byte",
                            "a\xff"
                            "b",
                            3},
                      Count{"truncated_sequence", "ab\xe2\x82", 3}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Unicode, GraphemeBoundaries) {
    const auto text = fromUtf8(
        "a1\u0301\r\n\u0600"
        "7");
    EXPECT_TRUE(isGraphemeBoundary(text, 0));
    EXPECT_TRUE(isGraphemeBoundary(text, 1));
    EXPECT_FALSE(isGraphemeBoundary(text, 2));  // digit | combining acute
    EXPECT_TRUE(isGraphemeBoundary(text, 3));
    EXPECT_FALSE(isGraphemeBoundary(text, 4));  // CR | LF
    EXPECT_TRUE(isGraphemeBoundary(text, 5));
    EXPECT_FALSE(isGraphemeBoundary(text, 6));  // prepended number sign | digit
    EXPECT_TRUE(isGraphemeBoundary(text, text.length()));
    EXPECT_FALSE(isGraphemeBoundary(text, text.length() + 1));
}

TEST(Unicode, CleaningAndLowerCasing) {
    EXPECT_EQ(toUtf8(cleaned(fromUtf8("AB-12 3"))), "AB123");
    EXPECT_EQ(toUtf8(cleaned(fromUtf8("é\u0301_x.y/z\u00a0Ⅻ½٣"))), "é\u0301xyzⅫ½٣");
    EXPECT_EQ(toUtf8(cleaned(fromUtf8("\U0001F600$#【】\u200d"))), "");

    // Lower-casing uses the full default mappings.
    EXPECT_EQ(toUtf8(lowerCased(fromUtf8("ÉCODE İ ΟΔΟΣ"))), "écode i\u0307 οδος");
}

// The plain-string conversion agrees with ICU's: ASCII prefixes, astral characters, and every
// kind of malformed byte sequence (each becomes U+FFFD the same way).
TEST(Unicode, PlainUtf16AgreesWithIcu) {
    for (const std::string_view utf8 : std::initializer_list<std::string_view>{
             "", "code", "验证码 12",
             "ab\xF0\x9F\x98\x80"
             "c",
             "x\xC3", "\xE2\x82z\xFF\xC0\xAF", "ok\xED\xA0\x80!", std::string_view("a\0b", 3)}) {
        const icu::UnicodeString icu = fromUtf8(utf8);
        EXPECT_EQ(utf16Of(utf8),
                  std::u16string(icu.getBuffer(), static_cast<std::size_t>(icu.length())))
            << utf8;
    }
}

// Numbers are category N; letters are alphabetic (a Roman numeral is both).
TEST(Unicode, NumbersAndLetters) {
    for (UChar32 c : {U'7', U'٣', U'Ⅻ', U'½', U'²', U'\U0001D7CE'}) {
        EXPECT_TRUE(isNumberCharacter(c)) << c;
    }
    for (UChar32 c : {U'a', U'一', U'$', U' '}) {
        EXPECT_FALSE(isNumberCharacter(c)) << c;
    }
    EXPECT_EQ(toUtf8(numberCharacters(fromUtf8("验证码12a٣Ⅻ"))), "12٣Ⅻ");
    for (UChar32 c : {U'a', U'验', U'Ⅻ'}) {
        EXPECT_TRUE(isLetter(c)) << c;
    }
    EXPECT_FALSE(isLetter(U'7') || isLetter(U'_'));
}

}  // namespace
}  // namespace nabbit
