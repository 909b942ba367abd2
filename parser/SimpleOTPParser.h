#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <unicode/unistr.h>

#include <memory>

#include "parser/CustomPattern.h"
#include "parser/KeywordGate.h"
#include "parser/KnownServices.h"
#include "parser/LanguageFile.h"
#include "parser/OTPParser.h"
#include "parser/PatternPrefilter.h"
#include "parser/Regex.h"
#include "parser/ResourceLocator.h"

namespace nabbit {

// Finds a verification code in a message: custom patterns first (they bypass every other
// rule), then the keyword gate, the Google-style format, and a candidate search over the text
// with its links removed, filtered against phone numbers, amounts, times and ordinals and
// against the language files' exclusions.
//
// Immutable after construction and cheap to copy (patterns are shared); parse takes no lock
// and may be called from any thread.
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

    // The ordered candidate codes of a text whose links are already removed.
    std::vector<std::string> findCandidates(std::string_view utf8Text) const;
    // Whether a candidate is part of a phone number, amount, time or ordinal in the context,
    // or ends like a time or an ordinal (the built-in exclusions alone).
    static bool isExcluded(std::string_view candidate, std::string_view context);
    // The sending service named in a text.
    std::optional<std::string> extractService(std::string_view utf8Text) const;

    const std::set<std::string>& otpKeywords() const { return otpKeywords_; }
    const std::vector<Regex>& languagePatterns() const { return languagePatterns_; }
    const std::vector<CustomPattern>& customPatterns() const { return customPatterns_; }
    const std::vector<Regex>& exclusionPatterns() const { return exclusionPatterns_; }
    // The language files' service names that may be reported, in the order they are tried.
    const std::vector<std::string>& listedServices() const { return listedServices_->names(); }

  private:
    std::optional<ParsedOTP> matchCustomPatterns(const icu::UnicodeString& text) const;
    std::vector<icu::UnicodeString> candidatesOf(const icu::UnicodeString& text,
                                                 PatternPrefilter::Lazy& filter) const;

    std::set<std::string> otpKeywords_;
    KeywordGate gate_;
    std::vector<Regex> languagePatterns_;
    std::vector<CustomPattern> customPatterns_;
    std::vector<Regex> exclusionPatterns_;
    std::shared_ptr<const NameTable> listedServices_;
    // Over the language patterns, then the exclusion patterns.
    std::shared_ptr<const PatternPrefilter> prefilter_;
};

}  // namespace nabbit
