#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>

#include "parser/KnownServices.h"
#include "parser/ServiceExtraction.h"

namespace nabbit {
namespace {

struct Case {
    const char* name;
    std::string lowerText;
    std::optional<std::string> expected;
};

class ServiceExtraction : public ::testing::TestWithParam<Case> {};

TEST_P(ServiceExtraction, NamesTheService) {
    EXPECT_EQ(extractService(GetParam().lowerText, {"code", "verification", "验证码"}),
              GetParam().expected)
        << GetParam().lowerText;
}

INSTANTIATE_TEST_SUITE_P(
    Service, ServiceExtraction,
    ::testing::Values(
        Case{"brackets", "[acme] your code is 123456", "acme"},
        Case{"parentheses", "(mybank) 123456 is your code", "mybank"},
        Case{"bracketed_keyword", "[code] 123456", std::nullopt},
        Case{"bracket_not_at_start", "hello [acme] 123456", std::nullopt},
        // The prefix pattern refuses it; the later sender-tag search takes it.
        Case{"bracket_with_digit", "[acme2] 123456", "acme2"},
        Case{"bracket_holding_a_number", "[code 123456]", std::nullopt},
        Case{"bracket_trimmed", "[ acme\t] 123456", "acme"},
        Case{"welcome_to", "welcome to acme, your code is 1234", "acme"},
        Case{"welcome_to_lazy", "welcome to acme bank. code 1234", "acme"},
        Case{"welcome_to_two_words", "welcome to abc bank. code 1234", "abc bank"},
        Case{"welcome_to_three_letters", "welcome to abc, your code is 1234", std::nullopt},
        Case{"from_first_word", "your code from acme bank is 1234", "acme"},
        Case{"from_at_end", "1234 is your code from acme", "acme"},
        Case{"colon_stops_name", "verification code for acme: 1234", std::nullopt},
        Case{"stop_word", "your code from the bank is 1234", std::nullopt},
        Case{"code_for", "your pin for zorgbank 1234", "zorgbank"},
        Case{"first_match_only", "sent from me to you from acme 1234", std::nullopt},
        Case{"prefix_before_context", "[acme] code from zorgbank 1234", "acme"},
        Case{"rejected_prefix_then_context", "[the] code from zorgbank 1234", "zorgbank"},
        Case{"ubereats_before_uber", "order from ubereats 1234", "ubereats"},
        Case{"uber", "your uber code 1234", "uber"},
        Case{"amex_before_amex_safekey", "amex safekey code 1234", "amex"},
        Case{"yelp_eats", "yelp eats code 1234", "yelp eats"},
        Case{"qq_browser", "qq browser code 1234", "qq browser"},
        // Table names count as whole words only: not 'ally' in 'finally', 'ubereats' in
        // 'ubereatsx'; a name at the text's ends or between punctuation does.
        Case{"inside_a_word", "finally, your code 1234", std::nullopt},
        Case{"not_before_a_letter", "ubereatsx code 1234", std::nullopt},
        Case{"whole_word_at_ends", "ee", "ee"},
        Case{"whole_word_in_punctuation", "code 1234 (via chase.)", "chase"},
        Case{"table_before_prefix", "[acme] ee code 1234", "ee"},
        Case{"table_order_not_text_order", "uber and coinbase 1234", "coinbase"},
        Case{"in_a_link", "code 1234 https://www.paypal.com/x", "paypal"},
        Case{"nothing", "your code is 1234", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

// When the table and the old patterns find nothing: a sender opening the text, a name next
// to a code phrase (capitalised, in any of the languages), a sender tag.
INSTANTIATE_TEST_SUITE_P(
    LaterWays, ServiceExtraction,
    ::testing::Values(Case{"opener", "Acme Bank: your code is 1234", "acme bank"},
                      Case{"opener_dash", "Acme - your code is 1234", "acme"},
                      Case{"opener_app_hash", "<#> Acme: 1234 is your code", "acme"},
                      Case{"opener_generic", "Security alert: your code is 1234", std::nullopt},
                      Case{"opener_greeting", "Hi Jane: your code is 1234", std::nullopt},
                      Case{"opener_reference", "Pedido 48291: seu código é 1234", std::nullopt},
                      Case{"opener_not_a_link", "Login: https://x.example/1234", std::nullopt},
                      Case{"your_name_code", "Your Acme verification code is 1234", "acme"},
                      Case{"your_generic_code", "Your new code is 1234", std::nullopt},
                      Case{"code_for_name_colon", "Your one-time code for Acme: 1234", "acme"},
                      Case{"code_is_code", "Your code is K7P2QX.", std::nullopt},
                      Case{"fr", "Votre code Acme est 1234", "acme"},
                      Case{"fr_verb", "Un code de vérification a été demandé", std::nullopt},
                      Case{"es", "Tu código de Mercado Libre es 1234", "mercado libre"},
                      Case{"de", "Dein Acme-Code lautet 1234", "acme"},
                      Case{"it", "Il tuo codice Acme è 1234", "acme"},
                      Case{"pl", "Twój kod do Allegro: 1234", "allegro"},
                      Case{"ru", "Код для входа в Госуслуги: 1234", "госуслуги"},
                      Case{"tr", "Trendyol doğrulama kodunuz: 1234", "trendyol"},
                      Case{"ja", "メルカリの認証番号は1234です", "メルカリ"},
                      Case{"ko", "쿠팡 인증번호 [1234]", "쿠팡"},
                      Case{"zh", "您的京东验证码是1234", "京东"},
                      Case{"zh_tag_start", "【拼多多】验证码1234", "拼多多"},
                      Case{"zh_tag_end", "验证码1234【淘宝】", "淘宝"},
                      // The old bracket pattern comes first and takes the first line's tag.
                      Case{"old_bracket_first", "[Web발신]\n[토스] 인증번호 1234", "web발신"},
                      Case{"vi", "Mã xác thực Shopee: 1234", "shopee"},
                      Case{"id", "Kode verifikasi Gojek: 1234", "gojek"},
                      Case{"ar", "رمز التحقق الخاص بك في Careem: 1234", "careem"}),
    [](const auto& info) { return std::string(info.param.name); });

// Whatever order names appear in the text, the one listed first in the table wins, as long
// as it stands as a whole word.
TEST(Service, TableOrderBeatsTextOrder) {
    const auto& names = knownServices();
    const auto isAlnum = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; };
    const auto firstListed = [&](const std::string& text) -> std::optional<std::string_view> {
        for (std::string_view name : names) {
            for (auto at = text.find(name); at != std::string::npos; at = text.find(name, at + 1)) {
                const auto end = at + name.size();
                if ((at == 0 || !isAlnum(text[at - 1])) &&
                    (end == text.size() || !isAlnum(text[end]))) {
                    return name;
                }
            }
        }
        return std::nullopt;
    };
    int mismatches = 0;
    for (std::string_view later : names) {
        for (std::string_view earlier : names) {
            const std::string text = "x" + std::string(later) + " and " + std::string(earlier) +
                                     "! " + std::string(later) + "s";
            mismatches += firstKnownService(text) != firstListed(text) ? 1 : 0;
        }
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(firstKnownService("nothing to look at"), std::nullopt);
    EXPECT_EQ(firstKnownService("xbox"), "xbox");
}

// A listed name of digits is no word inside a number: not '99' in a price of 49,99.
TEST(Service, ListedNumbersStandAloneOnly) {
    const NameTable table({"99", "acme"});
    EXPECT_EQ(table.firstWholeWord("r$ 49,99 em acme"), "acme");
    EXPECT_EQ(table.firstWholeWord("99.5 acme"), "acme");
    EXPECT_EQ(table.firstWholeWord("corrida 99: 4821"), "99");
    EXPECT_EQ(table.firstWholeWord("pague com 99."), "99");
}

// English and French stop words, and the keywords, are never names.
TEST(Service, StopWordsAndKeywordsAreNoNames) {
    EXPECT_FALSE(extractService("(votre) 1234", {}).has_value());
    EXPECT_EQ(extractService("(zorgbank) 1234", {}), "zorgbank");
    EXPECT_FALSE(extractService("(zorgbank) 1234", {"zorgbank"}).has_value());
    // Nor is the rest of a keyword phrase once its generic words are dropped; a keyword that
    // lies wholly in those words leaves the name alone.
    EXPECT_EQ(extractService("Code zorgbank: 1234", {}), "zorgbank");
    EXPECT_FALSE(extractService("Code zorgbank: 1234", {"code zorgbank"}).has_value());
    EXPECT_EQ(extractService("Code zorgbank: 1234", {"code"}), "zorgbank");
    EXPECT_EQ(extractService("Zorg code: 1234", {}), "zorg");
    EXPECT_FALSE(extractService("Zorg code: 1234", {"zorg code"}).has_value());
}

}  // namespace
}  // namespace nabbit
