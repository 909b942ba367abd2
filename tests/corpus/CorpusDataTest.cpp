// The corpus itself: every line reads, each language has enough lines of both kinds and both
// channels, no message is listed twice, and every expected code really stands in its message,
// so that a typo in a label cannot pass for a parser miss.
#include <gtest/gtest.h>

#include <set>

#include <unicode/unistr.h>

#include "Corpus.h"

namespace nabbit::test {
namespace {

TEST(CorpusData, EveryLanguageHasEnoughWellFormedLines) {
    for (const auto& corpus :
         Corpus::loadAll(std::filesystem::path(NABBIT_SOURCE_DIR) / "tests" / "corpus")) {
        for (const auto& problem : corpus.problems) {
            ADD_FAILURE() << problem;
        }
        int positives = 0;
        int mail = 0;
        int mailPositives = 0;
        std::set<std::string> seen;
        for (const auto& line : corpus.lines) {
            const auto where = corpus.language + ":" + std::to_string(line.lineNumber);
            positives += line.code ? 1 : 0;
            mail += line.channel == "mail" ? 1 : 0;
            mailPositives += line.channel == "mail" && line.code ? 1 : 0;
            EXPECT_TRUE(seen.insert(line.text).second) << where << " repeats an earlier line";
            if (line.channel == "mail") {
                EXPECT_NE(line.text.find('\n'), std::string::npos)
                    << where << ": a mail text is subject + \"\\n\" + summary";
            }
            if (!line.code) {
                continue;
            }
            // Codes are copied cleaned: letters and digits only, 4 to 10 of them.
            EXPECT_EQ(cleaned(*line.code), *line.code) << where;
            const auto length = icu::UnicodeString::fromUTF8(*line.code).countChar32();
            EXPECT_GE(length, 4) << where;
            EXPECT_LE(length, 10) << where;
            EXPECT_NE(cleaned(line.text).find(*line.code), std::string::npos)
                << where << ": '" << *line.code << "' is not in the text";
        }
        const auto total = static_cast<int>(corpus.lines.size());
        EXPECT_GE(total, 150) << corpus.language;
        EXPECT_GE(positives * 100, total * 50) << corpus.language << ": too few positives";
        EXPECT_LE(positives * 100, total * 75) << corpus.language << ": too few negatives";
        EXPECT_GE(mail, 15) << corpus.language;
        EXPECT_GT(mailPositives, 0) << corpus.language;
        EXPECT_LT(mailPositives, mail) << corpus.language;
    }
}

}  // namespace
}  // namespace nabbit::test
