// The prefilter may only pass over a pattern that cannot match: the required text it reads
// from a pattern must stand in every text the pattern matches, including texts that match
// only through case folding, and nothing may be read from constructs that require nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "parser/FixedPatterns.h"
#include "parser/MultiStringSearch.h"
#include "parser/PatternPrefilter.h"
#include "parser/UnicodeText.h"

namespace nabbit {
namespace {

TEST(PatternPrefilter, NeverPassesOverAMatchingPattern) {
    const std::vector<std::string> sources{
        "(?i:stra(?:ß|ss)e)", "(?i)kelvin", "(?i:ſecret)", "(?i:ΣΊΣΥΦΟΣ)", "(?i:ﬁle) (\\d+)",
        "(?i:İşlem) kodu", "(?i:код)\\h+(\\d+)", "(?i:verifica)", "(?:foo|bar)baz(\\d)",
        "a[bc]?d(?:ef)+g", "x{2}yz", "\\x{1F600}smile", "(?i:c[oó]digo)", "验证码[是为]?(\\d{4,8})",
        "^(?:<#>\\h*)?Acme:", "(?i:ǅ)ungla", "(?i:ĳ)sselmeer",
        // Constructs that require nothing of the match.
        "(?:code)?(\\d{6})", "(?:code)*x", "(?<!promo )(?=\\d)(\\d{6})", "(?x) c o d e (\\d+)",
        "(a)\\1code", "code|\\d{6}", "TAN\\b\\Q:=\\E", "\\x43ode\\x{20}1"};
    const std::vector<std::string> texts{"STRASSE und Straße",
                                         "KELVIN 1 K",
                                         "ſECRET",
                                         "σίσυφος",
                                         "FILE 12",
                                         "ﬁle 12",
                                         "İŞLEM KODU",
                                         "işlem kodu",
                                         "КОД 1234",
                                         "Verifica il codice",
                                         "foobaz1 barbaz2",
                                         "abdefefg",
                                         "xxyz",
                                         "\xF0\x9F\x98\x80smile",
                                         "CÓDIGO",
                                         "验证码是123456",
                                         "<#> Acme: 1",
                                         "Ǆungla DŽUNGLA",
                                         "Ĳsselmeer",
                                         "123456 x",
                                         "code1 aacode TAN:=",
                                         "Code 1",
                                         ""};
    std::vector<Regex> patterns;
    std::vector<const Regex*> pointers;
    for (const auto& source : sources) {
        auto regex = Regex::compile(source);
        ASSERT_TRUE(regex) << source;
        patterns.push_back(*regex);
    }
    for (const auto& pattern : patterns) {
        pointers.push_back(&pattern);
    }
    const PatternPrefilter filter(pointers);
    int passedOver = 0;
    for (const auto& text : texts) {
        const auto utf16 = fromUtf8(text);
        const auto found = filter.scan(utf16);
        for (std::size_t i = 0; i < patterns.size(); ++i) {
            auto scanner = patterns[i].scan(utf16);
            const bool matches = scanner.next();
            const bool may = filter.mayMatch(i, found);
            EXPECT_TRUE(may || !matches) << patterns[i].source() << " on " << text;
            passedOver += may ? 0 : 1;
        }
    }
    // It does pass over patterns, or it would be no filter at all.
    EXPECT_GT(passedOver, 200);
}

// A search answers string by string until it has cost about an automaton, then builds one:
// both ways report the same occurrences in the same order (by end, longer strings first,
// then by index), overlaps, repeats and surrogate pairs included.
TEST(MultiStringSearch, BothWaysFindTheSameOccurrencesInOrder) {
    const std::vector<std::u16string> strings{u"he",  u"she", u"his", u"hers", u"",
                                              u"she", u"😀x",  u"e",   u"ers",  u"验证码"};
    const std::vector<std::u16string> texts{u"ushers",       u"shehishers", u"😀x😀",
                                            u"验证码是 she", u"",           u"nothing here"};
    using Found = std::vector<std::pair<std::size_t, std::size_t>>;
    auto occurrences = [](const MultiStringSearch& search, std::u16string_view text) {
        Found found;
        search.eachIn(text, [&](std::size_t s, std::size_t end) { found.emplace_back(s, end); });
        return found;
    };
    const MultiStringSearch built(strings);
    // A text long enough to exhaust the budget at once.
    EXPECT_TRUE(built.anyIn(std::u16string(4096, u'h') + u"e"));
    ASSERT_TRUE(built.automatonBuilt());
    for (const auto& text : texts) {
        const MultiStringSearch fresh(strings);
        EXPECT_EQ(occurrences(fresh, text), occurrences(built, text));
        EXPECT_EQ(fresh.anyIn(text), built.anyIn(text));
        EXPECT_FALSE(fresh.automatonBuilt());
    }
    EXPECT_EQ(occurrences(built, u"ushers"),
              (Found{{1, 4}, {5, 4}, {0, 4}, {7, 4}, {3, 6}, {8, 6}}));
}

// The quick tests before the built-in exclusions may only skip a pattern that has no match:
// digits of other scripts, white space beyond ASCII and letters that match only through case
// folding included.
TEST(QuickRejects, NeverSkipAMatchingExclusion) {
    const std::vector<std::string> texts{
        "Call 555-123-4567",
        "555.123.4567 x",
        "555-123-456",
        "١٢٣-٤٥٦-٧٨٩٠",
        "\xF0\x9D\x9F\x8F\xF0\x9D\x9F\x90\xF0\x9D\x9F\x91-123-4567",
        "Total $73910",
        "$ 5",
        "US$٥",
        "at 10 PM",
        "at 10\xC2\xA0pm",
        "at 10\xE2\x80\xAF"
        "AM",
        "10pm",
        "10 p.m.",
        "the 2nd",
        "21ST",
        "3 rd",
        "4\tTH",
        "5 \xC5\xBFt",
        "6\xEF\xAC\x86"
        "",
        "code 482913",
        "no digits",
        "1 2 3 go",
        "2021 was",
        ""};
    const FixedPatterns& fixed = fixedPatterns();
    int skipped = 0;
    for (const auto& text : texts) {
        const auto utf16 = fromUtf8(text);
        for (std::size_t i = 0; i < fixed.exclusionPatterns.size(); ++i) {
            auto scanner = fixed.exclusionPatterns[i].scan(utf16);
            const bool matches = scanner.next();
            const bool may = fixed.exclusionMayMatch[i](utf16);
            EXPECT_TRUE(may || !matches) << fixed.exclusionPatterns[i].source() << " on " << text;
            skipped += may ? 0 : 1;
        }
    }
    EXPECT_GT(skipped, 50);
}

}  // namespace
}  // namespace nabbit
