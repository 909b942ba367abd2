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
}

// The character classes are those the compiled pattern matches, over every code point.
TEST(LinkRemoval, LabelClassesMatchThePattern) {
    const Regex start = compileFixed("^[a-zA-Z0-9]$", true);
    const Regex label = compileFixed("^[-a-zA-Z0-9]$", true);
    int mismatches = 0;
    for (UChar32 c = 0; c <= 0x10FFFF; ++c) {
        if (U_IS_SURROGATE(c)) {
            continue;
        }
        const icu::UnicodeString one(c);
        auto inStart = start.scan(one);
        auto inLabel = label.scan(one);
        mismatches += inStart.next() != (domainLabelStartCharacters().contains(c) != 0) ? 1 : 0;
        mismatches += inLabel.next() != (domainLabelCharacters().contains(c) != 0) ? 1 : 0;
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_TRUE(domainLabelStartCharacters().contains(0x212A));  // Kelvin sign, folds to k
}

// The fast walk gives exactly what replacing every match of the pattern gives.
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

// A long run of letters before a slash once made the search quadratic (minutes for this text).
TEST(LinkRemoval, LongRunsStayCheap) {
    const std::string text = "Your code: " + std::string(100000, 'a') + " 482913 x.y/z";
    EXPECT_EQ(toUtf8(removeLinks(fromUtf8(text))),
              "Your code: " + std::string(100000, 'a') + " 482913 ");
}

}  // namespace
}  // namespace nabbit
