#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <unicode/unistr.h>

#include <memory>

#include "parser/CustomPattern.h"
#include "parser/GroupedPrefilter.h"
#include "parser/KeywordGate.h"
#include "parser/KnownServices.h"
#include "parser/LanguageFile.h"
#include "parser/OTPParser.h"
#include "parser/OnFirstUse.h"
#include "parser/Regex.h"
#include "parser/ResourceLocator.h"

namespace nabbit {

// Finds a verification code in a message: custom patterns first (they bypass every other
// rule), then the keyword gate, the Google-style format, and a candidate search over the text
// with its links removed, filtered against phone numbers, amounts, times and ordinals and
// against the language files' exclusions. When those find nothing, the language-independent
// rules (StructuralRules) get the text, under the same exclusions. Digits of other scripts
// are read, and codes delivered, as ASCII digits.
//
// Immutable after construction and cheap to copy (patterns are shared); parse takes no lock
// and may be called from any thread. Construction reads the files and builds the keyword
// gate; each pattern is compiled, and the prefilter and service table built, when a text
// first needs them, so that one parse costs only what its text reaches.
class SimpleOTPParser final : public OTPParser {
  public:
    // Configured from the shipped language files and custom-patterns.json, each replaceable
    // by a file of the same name in the per-user override folder (ResourceLocator::shipped).
    // Creates that folder when it is missing.
    SimpleOTPParser();

    // Configured from the files a locator finds, e.g. ResourceLocator::forDirectory(dir).
    explicit SimpleOTPParser(const ResourceLocator& locator);

    // Configured from given collections: the keyword set (matched against the lower-cased
    // text, so only lower-case keywords can match), the language patterns in the order they
    // are tried, and the custom patterns in order.
    SimpleOTPParser(std::set<std::string> otpKeywords, std::vector<Regex> languagePatterns,
                    std::vector<CustomPattern> customPatterns);

    // Configured from merged language files (with their exclusions and service names) and
    // the custom patterns.
    SimpleOTPParser(LanguageFile languages, std::vector<CustomPattern> customPatterns);

    std::optional<ParsedOTP> parse(std::string_view utf8Text) const override;

    // The same parser without the language-independent rules: what the keyword gate, the
    // language files and the generic stages find alone.
    SimpleOTPParser languageStagesOnly() const;

    // The ordered candidate codes of a text whose links are already removed, with other
    // scripts' digits read as ASCII ones.
    std::vector<std::string> findCandidates(std::string_view utf8Text) const;
    // Whether a candidate is part of a phone number, amount, time or ordinal in the context,
    // or ends like a time or an ordinal (the built-in exclusions alone).
    static bool isExcluded(std::string_view candidate, std::string_view context);
    // The sending service named in a text.
    std::optional<std::string> extractService(std::string_view utf8Text) const;

    const std::set<std::string>& otpKeywords() const { return *otpKeywords_; }
    const std::vector<Regex>& languagePatterns() const { return languagePatterns_; }
    const std::vector<CustomPattern>& customPatterns() const { return customPatterns_; }
    const std::vector<Regex>& exclusionPatterns() const { return exclusionPatterns_; }
    // How many groups of the prefilter (one per language file, one for the exclusions) texts
    // have needed so far.
    std::size_t prefilterGroupsBuilt() const { return prefilter_->builtGroups(); }
    // The language files' service names that may be reported, in the order they are tried.
    const std::vector<std::string>& listedServices() const {
        return listedServices_->get().names();
    }

  private:
    std::optional<ParsedOTP> matchCustomPatterns(const icu::UnicodeString& text) const;
    // The keyword gate, the Google-style format, the language patterns and the generic
    // candidate search, on a text whose digits are ASCII.
    // What both stages ask of one text, worked out once: its prefilter answers and its
    // exclusion matches.
    struct TextState;
    std::optional<ParsedOTP> parseByLanguage(const icu::UnicodeString& text,
                                             const icu::UnicodeString& lower,
                                             TextState& state) const;
    // The language-independent rules (StructuralRules), when the stages above found nothing.
    std::optional<ParsedOTP> parseByStructure(const icu::UnicodeString& text,
                                              const icu::UnicodeString& lower,
                                              TextState& state) const;
    // A candidate code, and the text it was read from when that differs ('123 456').
    struct Candidate {
        icu::UnicodeString code;
        icu::UnicodeString written;
    };
    std::vector<Candidate> candidatesOf(const icu::UnicodeString& text,
                                        GroupedPrefilter::Lazy& filter) const;

    // Shared with the service table, made later from them.
    std::shared_ptr<const std::set<std::string>> otpKeywords_;
    KeywordGate gate_;
    std::vector<Regex> languagePatterns_;
    std::vector<CustomPattern> customPatterns_;
    std::vector<Regex> exclusionPatterns_;
    std::shared_ptr<const OnFirstUse<NameTable>> listedServices_;
    // Over the language patterns, a group for each file, then the exclusion patterns.
    std::shared_ptr<const GroupedPrefilter> prefilter_;
    bool structuralRules_ = true;
};

}  // namespace nabbit
