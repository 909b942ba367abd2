// Language files without "exclusions" and "services" give the results they gave before those
// members, the extra language files and the later ways of naming a service existed.
// unchanged/ holds the six language files as they were then and results.jsonl the code and
// service that nabbit-parse, built from that state, reported for each text (every other
// corpus line of the time, and texts aimed at the service search). The code must be the
// same, except a number glued to a unit ('10min') that the old parser took for one; the
// service too, except where the old one was a table name found only inside a
// longer word, or where there was none before. The language-independent rules came later
// still: they may find a code only where the old parser found none, and change no other.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include <nlohmann/json.hpp>

#include "parser/KnownServices.h"
#include "parser/SimpleOTPParser.h"
#include "parser/UnicodeText.h"
#include "parser/UnitWords.h"

namespace nabbit {
namespace {

const std::filesystem::path kFolder =
    std::filesystem::path(NABBIT_SOURCE_DIR) / "tests" / "parser" / "unchanged";

std::optional<std::string> member(const nlohmann::json& line, const char* key) {
    const auto& value = line.at(key);
    return value.is_null() ? std::nullopt : std::optional<std::string>(value.get<std::string>());
}

// The old table search took names inside words ('ally' in 'really'); the whole-word search
// does not, so such a name may give way to another one or to none.
bool foundOnlyInsideAWord(const std::string& name, const std::string& text) {
    const auto& table = knownServices();
    if (std::find(table.begin(), table.end(), name) == table.end()) {
        return false;
    }
    const std::string lower = toUtf8(lowerCased(fromUtf8(text)));
    return NameTable({name}).firstWholeWord(lower) == std::nullopt;
}

TEST(UnchangedResults, OldFilesGiveTheOldCodesAndServices) {
    const SimpleOTPParser withRules(ResourceLocator::forDirectory(kFolder));
    const SimpleOTPParser parser = withRules.languageStagesOnly();
    ASSERT_EQ(parser.languagePatterns().size(), 44u);
    ASSERT_TRUE(parser.exclusionPatterns().empty());

    std::ifstream in(kFolder / "results.jsonl");
    int lines = 0;
    int servicesChanged = 0;
    int foundByRules = 0;
    for (std::string raw; std::getline(in, raw); ++lines) {
        const auto line = nlohmann::json::parse(raw);
        const auto text = line.at("text").get<std::string>();
        const auto result = parser.parse(text);
        const auto code = result ? std::optional(result->code) : std::nullopt;
        const auto service = result ? result->service : std::nullopt;
        const auto oldService = member(line, "service");
        const auto oldCode = member(line, "code");
        if (!(oldCode && !code && isNumberWithUnit(fromUtf8(*oldCode)))) {
            EXPECT_EQ(code, oldCode) << text;
        }
        const auto ruled = withRules.parse(text);
        if (result) {
            EXPECT_EQ(ruled, result) << text;
        } else if (ruled) {
            ++foundByRules;
        }
        if (service != oldService) {
            ++servicesChanged;
            EXPECT_TRUE(!oldService || foundOnlyInsideAWord(*oldService, text))
                << text << "\n  was '" << *oldService << "', now '" << service.value_or("") << "'";
        }
    }
    EXPECT_GT(lines, 700);
    // The sample's messages in languages the old files did not know ('Il tuo codice Acme è
    // 408812', '[네이버] 인증번호 [551902]') get their codes from the rules.
    EXPECT_GE(foundByRules, 10);
    // The sample holds texts where the mend or a new way changes the service.
    EXPECT_GT(servicesChanged, 10);
}

}  // namespace
}  // namespace nabbit
