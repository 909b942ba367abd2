#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "parser/KnownServices.h"
#include "parser/ServiceExtraction.h"
#include "parser/StopWords.h"

namespace nabbit {
namespace {

struct Case {
    const char* name;
    std::string lowerText;
    std::optional<std::string> expected;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class ServiceExtraction : public ::testing::TestWithParam<Case> {};

TEST_P(ServiceExtraction, NamesTheService) {
    const std::set<std::string> keywords{"code", "verification"};
    EXPECT_EQ(extractService(GetParam().lowerText, keywords), GetParam().expected)
        << GetParam().lowerText;
}

INSTANTIATE_TEST_SUITE_P(
    Service, ServiceExtraction,
    ::testing::Values(
        Case{"brackets", "[acme] your code is 123456", "acme"},
        Case{"parentheses", "(mybank) 123456 is your code", "mybank"},
        Case{"bracketed_keyword", "[code] 123456", std::nullopt},
        Case{"bracket_not_at_start", "hello [acme] 123456", std::nullopt},
        Case{"bracket_with_digit", "[acme2] 123456", std::nullopt},
        Case{"bracket_too_short", "[ab] 123456", std::nullopt},
        Case{"bracket_trimmed", "[ acme\t] 123456", "acme"},
        Case{"welcome_to", "welcome to acme, your code is 1234", "acme"},
        Case{"welcome_to_lazy", "welcome to acme bank. code 1234", "acme"},
        Case{"welcome_to_two_words", "welcome to abc bank. code 1234", "abc bank"},
        Case{"welcome_to_three_letters", "welcome to abc, your code is 1234", std::nullopt},
        Case{"from_first_word", "your code from acme bank is 1234", "acme"},
        Case{"from_at_end", "1234 is your code from acme", "acme"},
        Case{"colon_stops_name", "verification code for acme: 1234", std::nullopt},
        Case{"stop_word", "your code from the bank is 1234", std::nullopt},
        Case{"french_stop_word", "code from votre banque 1234", std::nullopt},
        Case{"code_for", "your pin for zorgbank 1234", "zorgbank"},
        Case{"first_match_only", "sent from me to you from acme 1234", std::nullopt},
        Case{"prefix_before_context", "[acme] code from zorgbank 1234", "acme"},
        Case{"rejected_prefix_then_context", "[the] code from zorgbank 1234", "zorgbank"},
        Case{"ubereats_before_uber", "order from ubereats 1234", "ubereats"},
        Case{"uber", "your uber code 1234", "uber"},
        Case{"apple_before_apple_pay", "apple pay code 1234", "apple"},
        Case{"amex_before_amex_safekey", "amex safekey code 1234", "amex"},
        Case{"yelp_eats", "yelp eats code 1234", "yelp eats"},
        Case{"qq_browser", "qq browser code 1234", "qq browser"},
        Case{"inside_a_word", "finally, your code 1234", "ally"},
        Case{"ee_last_resort", "no need to reply 1234", "ee"},
        Case{"table_before_prefix", "[acme] need code 1234", "ee"},
        Case{"table_order_not_text_order", "uber and coinbase 1234", "coinbase"},
        Case{"in_a_link", "code 1234 https://www.paypal.com/x", "paypal"},
        Case{"nothing", "your code is 1234", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Service, TableHasAllNamesInOrder) {
    const auto& names = knownServices();
    EXPECT_EQ(names.front(), "td ameritrade");
    EXPECT_EQ(names.back(), "ee");
    const auto position = [&](std::string_view name) {
        return std::find(names.begin(), names.end(), name) - names.begin();
    };
    EXPECT_LT(position("ubereats"), position("uber"));
    EXPECT_LT(position("yelp eats"), position("yelp"));
    EXPECT_LT(position("qq browser"), position("qq"));
    EXPECT_LT(position("apple"), position("apple pay"));
    EXPECT_LT(position("amex"), position("amex safekey"));
    EXPECT_EQ(std::set<std::string_view>(names.begin(), names.end()).size(), names.size());
}

// Whatever order names appear in the text, the one listed first in the table wins.
TEST(Service, TableOrderBeatsTextOrder) {
    const auto& names = knownServices();
    const auto firstListed = [&](const std::string& text) -> std::optional<std::string_view> {
        for (std::string_view name : names) {
            if (text.find(name) != std::string::npos) {
                return name;
            }
        }
        return std::nullopt;
    };
    int mismatches = 0;
    for (std::string_view later : names) {
        for (std::string_view earlier : names) {
            const std::string text =
                "x" + std::string(later) + " and " + std::string(earlier) + "!";
            mismatches += firstKnownService(text) != firstListed(text) ? 1 : 0;
        }
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(firstKnownService("nothing to look at"), std::nullopt);
    EXPECT_EQ(firstKnownService("xbox"), "xbox");
    EXPECT_EQ(firstKnownService("amex safekey"), "amex");
}

TEST(Service, StopWordsAreEnglishAndFrench) {
    EXPECT_EQ(stopWords().size(), 52u);
    EXPECT_TRUE(stopWords().contains("être"));
    EXPECT_TRUE(stopWords().contains("s'il vous plait"));
    EXPECT_FALSE(extractService("(votre) 1234", {}).has_value());
    EXPECT_FALSE(extractService("[être] 1234", {}).has_value());
}

TEST(Service, KeywordsRejectNamesToo) {
    EXPECT_EQ(extractService("(zorgbank) 1234", {}), "zorgbank");
    EXPECT_FALSE(extractService("(zorgbank) 1234", {"zorgbank"}).has_value());
}

}  // namespace
}  // namespace nabbit
