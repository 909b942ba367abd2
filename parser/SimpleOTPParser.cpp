#include "parser/SimpleOTPParser.h"

#include <utility>

#include "parser/CharacterClasses.h"
#include "parser/CustomPatternsFile.h"
#include "parser/FixedPatterns.h"
#include "parser/GraphemeCount.h"
#include "parser/LanguageFiles.h"
#include "parser/LinkRemoval.h"
#include "parser/ServiceExtraction.h"
#include "parser/UnicodeText.h"

namespace nabbit {

namespace {

constexpr std::size_t kMinCustomCodeLength = 4;
constexpr std::size_t kMaxCustomCodeLength = 10;
constexpr std::size_t kMinMixedTokenLength = 4;
constexpr std::size_t kMaxMixedTokenLength = 8;
constexpr std::size_t kMinBracketDigits = 4;

SimpleOTPParser loadFrom(const ResourceLocator& locator) {
    LanguageFile languages = loadLanguageFiles(locator);
    return SimpleOTPParser(std::move(languages.keywords), std::move(languages.patterns),
                           loadCustomPatterns(locator));
}

ResourceLocator shippedWithUserFolder() {
    ResourceLocator locator = ResourceLocator::shipped();
    locator.createUserOverrideFolder();
    return locator;
}

// The exclusion matches of a text, collected once and tested against every candidate.
class Exclusions {
  public:
    explicit Exclusions(const icu::UnicodeString& context) {
        for (const Regex& pattern : fixedPatterns().exclusionPatterns) {
            auto scanner = pattern.scan(context);
            while (scanner.next()) {
                matches_.push_back(scanner.matchText());
            }
        }
    }

    bool excludes(const icu::UnicodeString& candidate) const {
        for (const auto& match : matches_) {
            if (match.indexOf(candidate) >= 0) {
                return true;
            }
        }
        // A code never ends like a time or an ordinal.
        const icu::UnicodeString lower = lowerCased(candidate);
        for (const char16_t* suffix : {u"am", u"pm", u"st", u"nd", u"rd", u"th"}) {
            if (lower.endsWith(icu::UnicodeString(suffix))) {
                return true;
            }
        }
        return false;
    }

  private:
    std::vector<icu::UnicodeString> matches_;
};

}  // namespace

SimpleOTPParser::SimpleOTPParser() : SimpleOTPParser(loadFrom(shippedWithUserFolder())) {}

SimpleOTPParser::SimpleOTPParser(const ResourceLocator& locator)
    : SimpleOTPParser(loadFrom(locator)) {}

SimpleOTPParser::SimpleOTPParser(std::set<std::string> otpKeywords,
                                 std::vector<Regex> languagePatterns,
                                 std::vector<CustomPattern> customPatterns)
    : otpKeywords_(std::move(otpKeywords)),
      gate_(otpKeywords_),
      languagePatterns_(std::move(languagePatterns)),
      customPatterns_(std::move(customPatterns)) {}

std::optional<ParsedOTP> SimpleOTPParser::parse(std::string_view utf8Text) const {
    const icu::UnicodeString text = fromUtf8(utf8Text);

    if (auto custom = matchCustomPatterns(text)) {
        return custom;
    }

    const icu::UnicodeString lower = lowerCased(text);
    if (!gate_.matches(lower)) {
        return std::nullopt;
    }

    {
        auto google = fixedPatterns().googleStyle.scan(text);
        if (google.next()) {
            if (auto code = google.mappedGroup(1)) {
                return ParsedOTP{"google", toUtf8(*code)};
            }
        }
    }

    const std::vector<icu::UnicodeString> candidates = candidatesOf(removeLinks(text));
    if (candidates.empty()) {
        return std::nullopt;
    }
    // Exclusions look at the text as received, links included.
    const Exclusions exclusions(text);
    for (const auto& candidate : candidates) {
        if (!exclusions.excludes(candidate)) {
            return ParsedOTP{extractServiceUtf16(lower, otpKeywords_), toUtf8(candidate)};
        }
    }
    return std::nullopt;
}

std::optional<ParsedOTP> SimpleOTPParser::matchCustomPatterns(
    const icu::UnicodeString& text) const {
    for (const CustomPattern& custom : customPatterns_) {
        auto scanner = custom.regex.scan(text);
        if (!scanner.next()) {
            continue;
        }
        for (int32_t group = 1; group <= scanner.groupCount(); ++group) {
            const auto groupText = scanner.mappedGroup(group);
            if (!groupText) {
                continue;
            }
            const icu::UnicodeString code = cleaned(*groupText);
            const std::size_t length = graphemeCount(code);
            if (length >= kMinCustomCodeLength && length <= kMaxCustomCodeLength) {
                return ParsedOTP{toUtf8(lowerCased(fromUtf8(custom.service))), toUtf8(code)};
            }
        }
    }
    return std::nullopt;
}

std::vector<icu::UnicodeString> SimpleOTPParser::candidatesOf(const icu::UnicodeString& s) const {
    // A language pattern that yields something with a digit decides alone.
    for (const Regex& pattern : languagePatterns_) {
        auto scanner = pattern.scan(s);
        if (!scanner.next() || scanner.groupCount() < 1) {
            continue;
        }
        const auto group = scanner.mappedGroup(1);
        if (!group) {
            continue;
        }
        icu::UnicodeString code = cleaned(*group);
        if (containsNumberCharacter(code)) {
            return {std::move(code)};
        }
    }

    const FixedPatterns& fixed = fixedPatterns();
    std::vector<icu::UnicodeString> candidates;
    {
        auto scanner = fixed.digitRun.scan(s);
        while (scanner.next()) {
            if (auto group = scanner.mappedGroup(1)) {
                candidates.push_back(*std::move(group));
            }
        }
    }
    {
        auto scanner = fixed.splitCode.scan(s);
        while (scanner.next()) {
            if (auto group = scanner.mappedGroup(1)) {
                candidates.push_back(cleaned(*group));
            }
        }
    }
    {
        auto scanner = fixed.mixedToken.scan(s);
        while (scanner.next()) {
            const auto group = scanner.mappedGroup(1);
            if (!group) {
                continue;
            }
            const std::size_t length = graphemeCount(*group);
            if (length >= kMinMixedTokenLength && length <= kMaxMixedTokenLength &&
                containsLetter(*group) && containsNumberCharacter(*group)) {
                candidates.push_back(*group);
            }
        }
    }
    {
        auto scanner = fixed.lenticularBrackets.scan(s);
        while (scanner.next()) {
            const auto group = scanner.mappedGroup(1);
            if (!group) {
                continue;
            }
            icu::UnicodeString digits = numberCharacters(*group);
            if (graphemeCount(digits) >= kMinBracketDigits) {
                candidates.push_back(std::move(digits));
            }
        }
    }
    return candidates;
}

std::vector<std::string> SimpleOTPParser::findCandidates(std::string_view utf8Text) const {
    std::vector<std::string> out;
    for (const auto& candidate : candidatesOf(fromUtf8(utf8Text))) {
        out.push_back(toUtf8(candidate));
    }
    return out;
}

bool SimpleOTPParser::isExcluded(std::string_view candidate, std::string_view context) {
    return Exclusions(fromUtf8(context)).excludes(fromUtf8(candidate));
}

std::optional<std::string> SimpleOTPParser::extractService(std::string_view lowerUtf8) const {
    return nabbit::extractService(lowerUtf8, otpKeywords_);
}

}  // namespace nabbit
