#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "parser/FixedPatterns.h"
#include "parser/LinkRemoval.h"
#include "parser/UnicodeText.h"

namespace nabbit {
namespace {

icu::UnicodeString byPattern(const icu::UnicodeString& text) {
    return fixedPatterns().domainPathPattern.scan(text).replaceAll(icu::UnicodeString());
}

TEST(LinkRemoval, RemovesLinksThenDomainPaths) {
    EXPECT_EQ(toUtf8(removeLinks(fromUtf8("a https://x.example/p?q=1 b"))), "a  b");
    EXPECT_EQ(toUtf8(removeLinks(fromUtf8("a HTTP://x/1 b"))), "a  b");
    EXPECT_EQ(toUtf8(removeLinks(fromUtf8("go to example.co.uk/v/123, ok"))), "go to  ok");
    EXPECT_EQ(toUtf8(removeLinks(fromUtf8("code:example.com/1x 2"))), "code: 2");
    EXPECT_EQ(toUtf8(removeLinks(fromUtf8("no path example.com 4821"))),
              "no path example.com 4821");
    EXPECT_EQ(toUtf8(removeLinks(fromUtf8("a/b 12/31 x.y"))), "a/b 12/31 x.y");

    // A long run of letters before a slash once made the search quadratic (minutes for this text).
    const std::string text = "Your code: " + std::string(100000, 'a') + " 482913 x.y/z";
    EXPECT_EQ(toUtf8(removeLinks(fromUtf8(text))),
              "Your code: " + std::string(100000, 'a') + " 482913 ");
}

// The fast walk gives exactly what replacing every match of the pattern gives, also on the
// characters that match the pattern's classes only through case folding (the Kelvin sign,
// the long s).
TEST(LinkRemoval, SameAsThePatternOnRandomTexts) {
    const std::vector<std::string> pieces{"a",  "Z", "0",   "9",    "-",      ".",
                                          "..", "/", " ",   "\n",   "\u212A", "\u017F",
                                          "é",  "_", "x.y", "ab-c", "/p"};
    std::mt19937 random(20240611);
    std::uniform_int_distribution<std::size_t> piece(0, pieces.size() - 1);
    std::uniform_int_distribution<int> length(0, 24);
    int mismatches = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        for (int n = length(random); n > 0; --n) {
            text += pieces[piece(random)];
        }
        const auto utf16 = fromUtf8(text);
        if (removeDomainPaths(utf16) != byPattern(utf16)) {
            ++mismatches;
            ADD_FAILURE() << text;
            if (mismatches > 5) {
                break;
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

}  // namespace
}  // namespace nabbit
