#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ParserTestSupport.h"
#include "parser/FixedPatterns.h"
#include "parser/KeywordGate.h"
#include "parser/ServiceExtraction.h"
#include "parser/SimpleOTPParser.h"

namespace nabbit {
namespace {

using test::makeParser;
using test::result;
using test::standardKeywords;

using Case = test::ParseCase;

// Keywords {code, verification, otp}, no patterns: the generic stages and the exclusions
// (without the language-independent rules, which have tests of their own).
class GenericStages : public ::testing::TestWithParam<Case> {};

TEST_P(GenericStages, FindsTheExpectedCode) {
    const auto parser = makeParser(standardKeywords()).languageStagesOnly();
    EXPECT_EQ(parser.parse(GetParam().text), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Parser, GenericStages,
    ::testing::Values(
        Case{"plain", "Your verification code is 482913", result("482913")},
        Case{"no_keyword", "482913", std::nullopt}, Case{"empty", "", std::nullopt},
        Case{"split_space", "Your OTP is 123 456", result("123456")},
        Case{"first_in_text_order", "Code 1234 or 5678", result("1234")},
        // Digit runs come before split codes, and split codes before mixed tokens.
        Case{"stage_order", "Code AB12CD then 123 456 and 7890", result("7890")},
        Case{"split_before_mixed", "Code AB12CD then 123 456", result("123456")},
        Case{"phone_excludes_inner_run", "Call 555-123-4567 for help. Code: 9981", result("9981")},
        Case{"dotted_phone", "Your code is 4567. Call 555.123.4567", std::nullopt},
        Case{"dollar_contains", "Your code is 7391. Total $73910", std::nullopt},
        Case{"clock_time", "Code 1045 valid until 1045 PM", std::nullopt},
        Case{"clock_time_elsewhere", "Code 1045 valid until 9 PM", result("1045")},
        Case{"ordinal_then_mixed", "Your code for the 12th is AB12CD", result("AB12CD")},
        Case{"ordinal_contains", "Code 2021 for the 2021st visitor", std::nullopt},
        Case{"suffix_upper", "Your code is A1B2TH", std::nullopt},
        Case{"suffix_other", "Your code is A1B2pq", result("A1B2pq")},
        Case{"mixed_too_long", "Your code is ABCDE12345", std::nullopt},
        Case{"unit_glued", "Your code expires in 10min", std::nullopt},
        Case{"unit_glued_upper_then_code", "Code valid 24H: AB12CD", result("AB12CD")},
        Case{"letters_not_a_unit", "Your code is 4821xq", result("4821xq")},
        Case{"hash_joined_piece", "Your code is Xk9#mP2q", std::nullopt},
        Case{"hash_joined_digits", "Your code is 48#2913", std::nullopt},
        Case{"hash_before_code", "Your code is #482913", result("482913")},
        Case{"mixed_too_short", "Your code is A1B", std::nullopt},
        Case{"digits_only_run_too_long", "Your code is 123456789", std::nullopt},
        Case{"google", "G-4K2P9 is your verification code", result("G-4K2P9", "google")},
        Case{"google_needs_five", "G-123456 is your verification code", result("123456")},
        Case{"google_case_sensitive", "g-4k2p9 is your code", result("4k2p9")},
        Case{"google_before_links", "See https://example.com/G-4K2P9 for your code",
             result("G-4K2P9", "google")},
        Case{"code_only_in_link", "Verification: https://example.com/v/482913", std::nullopt},
        Case{"code_only_in_domain_path", "Your code: example.co.uk/v/482913", std::nullopt},
        Case{"same_digits_outside_link", "Code 482913 https://example.com/v/482913",
             result("482913")},
        Case{"link_first", "https://example.com/?c=111111 code 222222", result("222222")},
        Case{"exclusion_sees_links", "Code 4821 at https://pay.example.com/$4821", std::nullopt},
        Case{"lenticular", "【验证码123456】your code", result("123456")},
        Case{"lenticular_three_digits", "【验证码123】your code", std::nullopt},
        Case{"cjk_digits_without_boundary", "您的验证码是123456 code", std::nullopt},
        Case{"arabic_indic_digits", "Your code is ٤٨٢٩١٣", result("482913")},
        Case{"service_from_lower_case", "[ACME] Your code is 482913", result("482913", "acme")},
        Case{"invalid_utf8_as_replacement", "code \xff\xfe 482913 \xc3", result("482913")}),
    [](const auto& info) { return std::string(info.param.name); });

// The built-in patterns compile on first use; a broken one would silently match nothing.
TEST(Parser, BuiltInPatternsCompile) {
    const FixedPatterns& fixed = fixedPatterns();
    std::vector<const Regex*> all{
        &fixed.linkPattern, &fixed.domainPathPattern, &fixed.googleStyle,       &fixed.digitRun,
        &fixed.splitCode,   &fixed.mixedToken,        &fixed.lenticularBrackets};
    for (const auto& pattern : fixed.exclusionPatterns) {
        all.push_back(&pattern);
    }
    for (const auto& pattern : servicePrefixPatterns()) {
        all.push_back(&pattern);
    }
    for (const auto& pattern : serviceContextPatterns()) {
        all.push_back(&pattern);
    }
    for (const Regex* pattern : all) {
        EXPECT_TRUE(pattern->compiles()) << pattern->source();
    }
}

// Language patterns come before the generic stages, in list order, on the text without links;
// the first whose group 1 holds a digit decides alone, its group cleaned whatever its length.
TEST(Parser, LanguagePatterns) {
    const std::string text = "Your code: 1234, ref 987654. Total $1234";
    EXPECT_EQ(makeParser(standardKeywords()).parse(text), result("987654"));
    // The pattern's code is the only candidate; excluded, it leaves no result at all.
    EXPECT_EQ(makeParser(standardKeywords(), {R"(code: (\d+))"}).parse(text), std::nullopt);

    const auto ordered = makeParser(standardKeywords(), {R"(pin (\d+))", R"(code (\d+))"});
    EXPECT_EQ(ordered.parse("code 1111 pin 2222"), result("2222"));
    EXPECT_EQ(ordered.parse("code 1111 and 3333"), result("1111"));
    const auto cleaned = makeParser(standardKeywords(), {R"(code is ([\d ]+\d))", R"(ref (\d+))"});
    EXPECT_EQ(cleaned.parse("Your code is 12 34 56 78 90 12"), result("123456789012"));
    EXPECT_EQ(cleaned.parse("code ref 12"), result("12"));
    // Without a digit in the group, or without a group, the pattern is passed over.
    const auto skipped = makeParser(standardKeywords(), {R"(code is (\w+))", R"(code \d+)"});
    EXPECT_EQ(skipped.parse("code is ready, otp 5678"), result("5678"));
    EXPECT_EQ(skipped.parse("code 4321"), result("4321"));
    EXPECT_EQ(makeParser(standardKeywords(), {R"(/(\d{6}))"})
                  .parse("code https://example.com/123456 or 7777"),
              result("7777"));
    EXPECT_EQ(makeParser({"验证码"}, {R"(验证码是(\d{4,8}))"})
                  .parse("【某某科技】您的验证码是123456，5分钟内有效"),
              result("123456", "某某科技"));
}

SimpleOTPParser parserWith(std::vector<std::string> patterns, std::vector<std::string> exclusions,
                           std::vector<std::string> services = {}) {
    LanguageFile files;
    files.keywords = {"code"};
    for (const auto& source : patterns) {
        files.patterns.push_back(*Regex::compile(source, RegexOptions{.bounded = true}));
    }
    for (const auto& source : exclusions) {
        files.exclusions.push_back(*Regex::compile(source, RegexOptions{.bounded = true}));
    }
    files.services = std::move(services);
    return SimpleOTPParser(std::move(files), {});
}

TEST(Parser, FileExclusionsPassOverCandidatesInTheirMatches) {
    const auto generic = parserWith({}, {R"((?i)booking ref\h*\d+)"});
    EXPECT_EQ(generic.parse("Booking ref 48291. Your code 7712"), result("7712"));
    EXPECT_EQ(generic.parse("Your code for booking ref 48291"), std::nullopt);
    // A language pattern's code is vetoed like a generic one: then there is no result.
    // Digits grouped with spaces, as amounts and phone numbers write them, are compared as
    // written; a dash stays part of the code.
    const auto spaced = parserWith({}, {R"(\d{1,3}(?:\h\d{3})+\h?Ft)", R"(\d{3}-\d{3}\h?kr)"});
    EXPECT_EQ(spaced.parse("Code: 100 000 Ft"), std::nullopt);
    EXPECT_EQ(spaced.parse("Code 100 000 Ft, your code 482 913"), result("482913"));
    EXPECT_EQ(spaced.parse("Your code 482-913 kr"), result("482913"));
    const auto language = parserWith({R"(code (\d{4}))"}, {R"((?i)door code \d+)"});
    EXPECT_EQ(language.parse("Door code 4821"), std::nullopt);
    EXPECT_EQ(language.parse("Your code 4821"), result("4821"));
}

TEST(Parser, ListedServicesComeAfterTheTableBeforeThePatterns) {
    const auto parser = parserWith({}, {}, {"acme", "zorgbank", "code", "alert", "acme bank"});
    // Keywords and generic words are never reported; longer names are tried first.
    EXPECT_EQ(parser.listedServices(), (std::vector<std::string>{"acme bank", "zorgbank", "acme"}));
    EXPECT_EQ(parser.parse("Acme: Acme Bank code 4821"), result("4821", "acme bank"));
    EXPECT_EQ(parser.parse("[Acme] Zorgbank code 4821"), result("4821", "zorgbank"));
    EXPECT_EQ(parser.parse("[Acme] Zorgbanking code 4821"), result("4821", "acme"));
    EXPECT_EQ(parser.parse("PayPal code 4821 for Zorgbank"), result("4821", "paypal"));
}

// The gate compares the keywords as written with the lower-cased text, anywhere in it.
// (The language-independent rules run whatever the gate says; they are left out here.)
TEST(Parser, KeywordGate) {
    const auto gated = [](std::set<std::string> keywords) {
        return makeParser(std::move(keywords)).languageStagesOnly();
    };
    EXPECT_EQ(gated({"CODE"}).parse("CODE 482913"), std::nullopt);
    EXPECT_EQ(gated({"code"}).parse("CODE 482913"), result("482913"));
    EXPECT_EQ(gated({"ÉCODE"}).parse("écode 482913"), std::nullopt);
    EXPECT_EQ(gated({"écode"}).parse("ÉCODE 482913"), result("482913"));
    EXPECT_EQ(gated({}).parse("Your verification code is 482913"), std::nullopt);

    const KeywordGate gate({"code", "codigo", "cod", "验证码", "\U0001F511key"});
    for (const char* text : {"my cod", "codigo", "xxcode", "您的验证码", "the \U0001F511key"}) {
        EXPECT_TRUE(gate.matches(icu::UnicodeString::fromUTF8(text))) << text;
    }
    for (const char* text : {"", "co", "c o d e", "验证", "\U0001F511 key", "CODE"}) {
        EXPECT_FALSE(gate.matches(icu::UnicodeString::fromUTF8(text))) << text;
    }
    EXPECT_TRUE(KeywordGate({"x"}).matches(icu::UnicodeString::fromUTF8("abx")));
    EXPECT_TRUE(KeywordGate({"cé"}).matches(icu::UnicodeString::fromUTF8("accé")));
    EXPECT_FALSE(KeywordGate({"cé"}).matches(icu::UnicodeString::fromUTF8("accè")));
    EXPECT_TRUE(KeywordGate({"code", ""}).matches(icu::UnicodeString()));
    EXPECT_FALSE(KeywordGate({}).matches(icu::UnicodeString::fromUTF8("code")));
}

// Custom patterns come before the keyword gate and bypass the exclusions; they run on the text
// as received, trying their groups in order, then the next pattern, then the gate.
TEST(Parser, CustomPatterns) {
    const auto parser =
        makeParser({}, {}, {{"Acme", R"(ref ([A-Z0-9-]+))"}, {"Pay", R"(pay (\$\d+))"}});
    EXPECT_EQ(parser.parse("ref AB-12-CD"), result("AB12CD", "acme"));
    EXPECT_EQ(parser.parse("pay $4821 now"), result("4821", "pay"));
    EXPECT_EQ(parser.parse("REF AB-12-CD"), std::nullopt);
    const auto received = makeParser(standardKeywords(), {}, {{"Big", R"(REF (\d+))"}});
    EXPECT_EQ(received.parse("REF 123456"), result("123456", "big"));
    EXPECT_EQ(received.parse("ref 12 code 654321"), result("654321"));

    const auto groups =
        makeParser({}, {}, {{"two", R"((\d+)-(\d+))"}, {"alt", R"((?:a(\d+)|b(\d+)))"}});
    EXPECT_EQ(groups.parse("12-345678"), result("345678", "two"));
    EXPECT_EQ(groups.parse("12345-6"), result("12345", "two"));
    EXPECT_EQ(groups.parse("b98765"), result("98765", "alt"));  // group 1 took no part
    const auto fallThrough = makeParser(standardKeywords(), {},
                                        {{"nogroup", R"(ref \d+)"},
                                         {"short", R"(ref (\d+))"},
                                         {"long", R"(ref \d+ ([a-z0-9]+))"},
                                         {"ok", R"(id (\d+))"}});
    EXPECT_EQ(fallThrough.parse("ref 123 abcdefghijk1 id 98765"), result("98765", "ok"));
    EXPECT_EQ(fallThrough.parse("ref 123 abcdefghijk1, code 4444"), result("4444"));
    EXPECT_EQ(fallThrough.parse("ref 123 abcdefghijk1"), std::nullopt);
}

// The custom length limit counts user-perceived characters, not code points or UTF-16 units,
// and a custom code ends on a character boundary.
TEST(Parser, CustomCodesAreMeasuredInGraphemes) {
    const auto parser = makeParser({}, {}, {{"x", R"(x:(\S+))"}});
    const auto times = [](int n, const std::string& text) {
        std::string out;
        while (n-- > 0) {
            out += text;
        }
        return out;
    };
    // Six characters of two code points each (e + combining acute), or of two UTF-16 units
    // each (outside the BMP).
    for (const std::string& six : {times(6, "e\u0301"), times(6, "\U0001D400")}) {
        EXPECT_EQ(parser.parse("x:" + six), result(six, "x"));
    }
    // Two characters of two code points each is too short, eleven too long.
    EXPECT_EQ(parser.parse("x:1\u20DD2\u20DD"), std::nullopt);
    EXPECT_EQ(parser.parse("x:" + times(11, "e\u0301")), std::nullopt);

    // A group that ends between a digit and its combining mark is skipped.
    const auto split = makeParser(standardKeywords(), {}, {{"x", R"(x(\d{4}))"}});
    EXPECT_EQ(split.parse("x1234 code"), result("1234", "x"));
    EXPECT_EQ(split.parse("x1234\u0301 code"), std::nullopt);
}

TEST(Parser, CatastrophicPatternsGiveUpAndCountAsNoMatch) {
    const std::string text = std::string(2000, 'a') + "! code 123456 ref 777777";
    const auto language = makeParser(standardKeywords(), {"(a+)+$", R"(code (\d+))"});
    EXPECT_EQ(language.parse(text), result("123456"));
    const auto custom = makeParser({}, {}, {{"bad", "(a+)+$"}, {"ref", R"(ref (\d+))"}});
    EXPECT_EQ(custom.parse(text), result("777777", "ref"));

    const auto regex = Regex::compile("(a+)+$", RegexOptions{.bounded = true});
    ASSERT_TRUE(regex);
    const auto utf16 = icu::UnicodeString::fromUTF8(text);
    auto scanner = regex->scan(utf16);
    EXPECT_FALSE(scanner.next());
    EXPECT_TRUE(scanner.timedOut());
}

}  // namespace
}  // namespace nabbit
