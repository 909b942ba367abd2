// Measures the shipped language files on the corpus with the real parser and fails when a
// language's recall falls or its false-positive rate rises past the level measured when the
// files were last tuned. The figures and every wrong result are printed.
#include <gtest/gtest.h>

#include <cstdio>
#include <iostream>
#include <set>

#include "Corpus.h"
#include "CorpusFigures.h"
#include "ShippedFiles.h"
#include "parser/ResourceLocator.h"
#include "parser/SimpleOTPParser.h"

namespace nabbit::test {
namespace {

const std::filesystem::path kSource(NABBIT_SOURCE_DIR);

// The shipped files only: an explicit resources folder, so a per-user override cannot
// change the figures.
const SimpleOTPParser& shippedParser() {
    static const SimpleOTPParser parser(ResourceLocator::forDirectory(kSource / "parser"));
    return parser;
}

struct Level {
    const char* language;
    double minRecall;
    double maxFalsePositiveRate;
    double minServiceAgreement;
};

// Measured levels (see tests/corpus/README.md); raise them when the files improve.
constexpr Level kLevels[] = {
    {"ar", 0.028, 0.000, 0.000}, {"de", 0.962, 0.085, 1.000}, {"en", 0.971, 0.063, 0.980},
    {"es", 0.949, 0.087, 1.000}, {"fr", 0.957, 0.036, 1.000}, {"id", 0.239, 0.024, 1.000},
    {"it", 0.094, 0.024, 0.666}, {"ja", 0.000, 0.000, 0.000}, {"ko", 0.014, 0.000, 0.000},
    {"nl", 0.569, 0.094, 0.941}, {"pl", 0.000, 0.000, 0.000}, {"pt", 0.949, 0.063, 1.000},
    {"ru", 0.000, 0.000, 0.000}, {"tr", 0.000, 0.000, 0.000}, {"vi", 0.228, 0.024, 1.000},
    {"zh", 0.977, 0.087, 1.000},
};

TEST(CorpusFigures, TheParserLoadsEveryShippedKeywordAndPattern) {
    const auto files = ShippedFiles::read(kSource / "parser" / "OTPKeywords");
    std::set<std::string> keywords;
    size_t patterns = 0;
    for (const auto& language : files.languages) {
        keywords.insert(language.keywords.begin(), language.keywords.end());
        patterns += language.patterns.size();
    }
    EXPECT_EQ(shippedParser().otpKeywords(), keywords);
    EXPECT_EQ(shippedParser().languagePatterns().size(), patterns);
    EXPECT_EQ(shippedParser().customPatterns().size(), files.customPatterns.size());
}

TEST(CorpusFigures, RecallAndFalsePositivesStayAtTheMeasuredLevels) {
    const auto corpora = Corpus::loadAll(kSource / "tests" / "corpus");
    ASSERT_EQ(corpora.size(), std::size(kLevels));
    std::printf("%-4s %9s %8s %9s %8s %9s\n", "lang", "recall", "", "FP rate", "", "service");
    for (const auto& corpus : corpora) {
        const auto figures = CorpusFigures::measure(shippedParser(), corpus);
        std::printf("%-4s %3d/%-5d %7.3f  %3d/%-5d %7.3f  %3d/%-5d\n", figures.language.c_str(),
                    figures.found, figures.positives, figures.recall(), figures.falsePositives,
                    figures.negatives, figures.falsePositiveRate(), figures.servicesRight,
                    figures.servicesNamed);
        for (const auto& miss : figures.misses) {
            std::printf("     %s\n", miss.c_str());
        }
        const Level* level = nullptr;
        for (const auto& candidate : kLevels) {
            if (figures.language == candidate.language) {
                level = &candidate;
            }
        }
        ASSERT_NE(level, nullptr) << "no level set for " << figures.language;
        // A small tolerance for the rounding of the levels written above.
        EXPECT_GE(figures.recall() + 1e-3, level->minRecall) << figures.language;
        EXPECT_LE(figures.falsePositiveRate(), level->maxFalsePositiveRate + 1e-3)
            << figures.language;
        EXPECT_GE(figures.serviceAgreement() + 1e-3, level->minServiceAgreement)
            << figures.language;
    }
    std::fflush(stdout);
}

}  // namespace
}  // namespace nabbit::test
