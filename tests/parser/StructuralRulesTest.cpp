// The language-independent rules, through a parser without keywords or language patterns, so
// that every code found here is found by the rules alone; and their place after the language
// stages. Messages written for these tests.
#include <gtest/gtest.h>

#include <string>

#include "ParserTestSupport.h"
#include "parser/SimpleOTPParser.h"

namespace nabbit {
namespace {

using test::makeParser;
using test::result;

using Case = test::ParseCase;

const SimpleOTPParser& rulesOnly() {
    static const SimpleOTPParser parser = makeParser({});
    return parser;
}

class StructuralRules : public ::testing::TestWithParam<Case> {};

TEST_P(StructuralRules, FindTheExpectedCode) {
    EXPECT_EQ(rulesOnly().parse(GetParam().text), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Retriever, StructuralRules,
    ::testing::Values(
        Case{"hash_last_line", "<#> Votre code Zorvex : 482913\nFA+9qCX9VSu",
             result("482913", "zorvex")},
        Case{"square_mark_dash", "[#] 910-562 هو رمزك\nAbCdEfGhIjK", result("910562")},
        Case{"link_before_hash", "<#> 5512 — kh.example.com/v/5512\nQ2w3E4r5T6y", result("5512")},
        Case{"two_numbers", "<#> 482913 oder 551290\nFA+9qCX9VSu", std::nullopt},
        Case{"word_not_hash", "<#> Termin 482913\nInformation", std::nullopt},
        Case{"no_hash_line", "<#> 482913", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    IsYourCode, StructuralRules,
    ::testing::Values(Case{"lower_case_service", "482913 is your uber code.",
                           result("482913", "uber")},
                      Case{"unknown_service_split", "551 290 is your zorvexbank verification code",
                           result("551290", "zorvexbank")},
                      Case{"generic_word_no_service", "7731 is your login code", result("7731")},
                      // A qualifier inside a listed service's name does not count; alone it does.
                      Case{"qualifier_in_service_name", "482913 is your doordash code",
                           result("482913", "doordash")},
                      Case{"qualifier_as_name", "4821 is your door code", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Cjk, StructuralRules,
    ::testing::Values(
        Case{"bracket_after_word", "验证码【482913】，5分钟内有效", result("482913")},
        Case{"bracket_before_word", "ログイン用「551290」が認証コードです", result("551290")},
        Case{"opening_tag_is_sender", "【12306】验证码已失效", std::nullopt},
        Case{"japanese_number", "認証番号は551290です", result("551290")},
        Case{"japanese_password", "パスワード：6620", result("6620")},
        Case{"letters_after_word", "您的验证码是KXQZT，请勿泄露", result("KXQZT")},
        Case{"letters_after_korean_word", "인증번호: KXQZ", result("KXQZ")},
        Case{"before_word", "482913短信登录验证码", result("482913")},
        Case{"date_is_no_code", "카드 비밀번호가 2024년 5월 12일에 변경되었습니다.", std::nullopt},
        Case{"garage", "车库密码7788。", std::nullopt},
        Case{"after_phone_word", "验证码已发送，客服电话95588", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Lines, StructuralRules,
    ::testing::Values(Case{"tan_label", "TAN\n482913", result("482913")},
                      Case{"one_time_password", "One-Time Password:\n551 290\nDo not share it.",
                           result("551290")},
                      Case{"greek_colon_blank_line", "Ο κωδικός σας είναι:\n\n7731",
                           result("7731")},
                      Case{"capitals_after_label", "Váš ověřovací kód:\nKQXZTM", result("KQXZTM")},
                      Case{"zip_label", "Zip code:\n94107", std::nullopt},
                      Case{"label_last_line", "Your code:", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    SameLine, StructuralRules,
    ::testing::Values(
        Case{"capitals", "Your verification code is KQXZTM", result("KQXZTM")},
        Case{"capitals_passcode_colon", "Enter passcode: ABCD", result("ABCD")},
        Case{"capitals_common_word", "Your verification code is READY", std::nullopt},
        Case{"capitals_after_plain_code", "Enter code WELCOME at checkout.", std::nullopt},
        Case{"greek_copula", "Ο κωδικός σας είναι 482913", result("482913")},
        Case{"hebrew_colon", "קוד האימות שלך הוא: 551290", result("551290")},
        Case{"hindi_right_after", "कोड 482913 है", result("482913")},
        Case{"thai_copula", "รหัส OTP ของคุณคือ 482913", result("482913")},
        Case{"words_between", "Your code of 482913 characters was truncated.", std::nullopt},
        Case{"garage_word", "Kode garasi 7788.", std::nullopt},
        Case{"order_code", "Order code: 55120934", std::nullopt},
        Case{"next_sentence", "Your code expires soon. Call 0800 123 4567", std::nullopt},
        Case{"decimal", "Kód: 1234,50", std::nullopt},
        Case{"phone_exclusion", "Your code is 4567. Call 555.123.4567", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Promotions, StructuralRules,
    ::testing::Values(Case{"prize", "Congratulations! Your prize code is 482913", std::nullopt},
                      Case{"reward_label", "Reward code:\n551290", std::nullopt},
                      Case{"chinese_lottery", "恭喜中奖！验证码：482913", std::nullopt},
                      Case{"numbers_ending_won", "Numbers ending in 4829 have won. Code: 551290",
                           std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

// The rules run only where the keyword gate, the language patterns and the generic stages
// found nothing, and never replace what those found.
TEST(StructuralRulesOrder, RunOnlyWhenTheLanguageStagesFindNothing) {
    const auto parser = makeParser({"code"}, {R"(code (\d{4}))"});
    EXPECT_EQ(parser.parse("驗證碼：551290 code 4829").value_or(ParsedOTP{}).code, "4829");
    const auto other = makeParser({"zorgword"});
    EXPECT_EQ(other.languageStagesOnly().parse("482913 is your uber code."), std::nullopt);
    EXPECT_EQ(other.parse("482913 is your uber code."), result("482913", "uber"));
}

}  // namespace
}  // namespace nabbit
