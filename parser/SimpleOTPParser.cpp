#include "parser/SimpleOTPParser.h"

#include <algorithm>
#include <utility>

#include <unicode/uchar.h>

#include "parser/AsciiDigits.h"
#include "parser/CharacterClasses.h"
#include "parser/CustomPatternsFile.h"
#include "parser/FixedPatterns.h"
#include "parser/GraphemeCount.h"
#include "parser/LanguageFiles.h"
#include "parser/LinkRemoval.h"
#include "parser/ServiceExtraction.h"
#include "parser/StopWords.h"
#include "parser/StructuralRules.h"
#include "parser/UnicodeText.h"
#include "parser/UnitWords.h"

namespace nabbit {

namespace {

constexpr std::size_t kMinCustomCodeLength = 4;
constexpr std::size_t kMaxCustomCodeLength = 10;
constexpr std::size_t kMinMixedTokenLength = 4;
constexpr std::size_t kMaxMixedTokenLength = 8;
constexpr std::size_t kMinBracketDigits = 4;
constexpr std::size_t kMaxServiceLength = 30;

SimpleOTPParser loadFrom(const ResourceLocator& locator) {
    return SimpleOTPParser(loadLanguageFiles(locator), loadCustomPatterns(locator));
}

// The listed names that may be reported (at most thirty characters, and no keyword, stop word
// or generic word), longest first, so that a name wins over a shorter one inside it ('garanti
// bbva' over 'bbva', whichever file lists them).
std::vector<std::string> reportable(const std::vector<std::string>& names,
                                    const std::set<std::string>& keywords) {
    std::vector<std::pair<int32_t, std::string>> kept;
    for (const auto& name : names) {
        // A name of at most thirty bytes has at most thirty characters, whatever they are;
        // most are that short and need no segmenting.
        if ((name.size() <= kMaxServiceLength || graphemeCount(name) <= kMaxServiceLength) &&
            !keywords.contains(name) && !stopWords().contains(name) &&
            !genericNameWords().contains(name)) {
            const bool ascii = std::all_of(name.begin(), name.end(), [](char c) {
                return static_cast<unsigned char>(c) < 0x80;
            });
            kept.emplace_back(
                ascii ? static_cast<int32_t>(name.size()) : fromUtf8(name).countChar32(), name);
        }
    }
    std::stable_sort(kept.begin(), kept.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<std::string> out;
    out.reserve(kept.size());
    for (auto& [length, name] : kept) {
        out.push_back(std::move(name));
    }
    return out;
}

std::shared_ptr<const GroupedPrefilter> prefilterOver(const std::vector<Regex>& patterns,
                                                      const std::vector<Regex>& exclusions,
                                                      std::vector<std::size_t> groupEnds) {
    std::vector<Regex> all;
    all.reserve(patterns.size() + exclusions.size());
    all.insert(all.end(), patterns.begin(), patterns.end());
    all.insert(all.end(), exclusions.begin(), exclusions.end());
    // The exclusions are a group of their own.
    groupEnds.push_back(patterns.size());
    return std::make_shared<const GroupedPrefilter>(std::move(all), groupEnds);
}

std::shared_ptr<const OnFirstUse<NameTable>> nameTableOf(
    std::vector<std::string> names, std::shared_ptr<const std::set<std::string>> keywords) {
    return std::make_shared<const OnFirstUse<NameTable>>(
        [names = std::move(names), keywords = std::move(keywords)] {
            return NameTable(reportable(names, *keywords));
        });
}

ResourceLocator shippedWithUserFolder() {
    ResourceLocator locator = ResourceLocator::shipped();
    locator.createUserOverrideFolder();
    return locator;
}

bool hasSpace(const icu::UnicodeString& text) {
    for (int32_t i = 0; i < text.length(); i = text.moveIndex32(i, 1)) {
        if (u_isUWhiteSpace(text.char32At(i))) {
            return true;
        }
    }
    return false;
}

// The exclusion matches of a text, collected once and tested against every candidate.
class Exclusions {
  public:
    explicit Exclusions(const icu::UnicodeString& context) {
        const FixedPatterns& fixed = fixedPatterns();
        for (std::size_t i = 0; i < fixed.exclusionPatterns.size(); ++i) {
            if (fixed.exclusionMayMatch[i](context)) {
                collect(fixed.exclusionPatterns[i], context);
            }
        }
    }

    // The built-in exclusions and those of the language files; the filter skips the latter
    // where they cannot match (they come after the language patterns in it).
    Exclusions(const icu::UnicodeString& context, const std::vector<Regex>& fromFiles,
               std::size_t firstIndex, GroupedPrefilter::Lazy& filter)
        : Exclusions(context) {
        for (std::size_t i = 0; i < fromFiles.size(); ++i) {
            if (filter.mayMatch(firstIndex + i)) {
                collect(fromFiles[i], context);
            }
        }
    }

    // A candidate is excluded when a match holds the code, or the number with its spaces as
    // the message writes it: amounts and phone numbers group digits with spaces ('100 000
    // Ft' holds '100 000', not the code '100000'). Dashes stay a code's own ('21-05-69').
    bool excludes(const icu::UnicodeString& candidate,
                  const icu::UnicodeString& written = {}) const {
        const bool spaced = hasSpace(written);
        for (const auto& match : matches_) {
            if (match.indexOf(candidate) >= 0 || (spaced && match.indexOf(written) >= 0)) {
                return true;
            }
        }
        // A code never ends like a time or an ordinal, nor is it a quantity ('10min').
        const icu::UnicodeString lower = lowerCased(candidate);
        for (const char16_t* suffix : {u"am", u"pm", u"st", u"nd", u"rd", u"th"}) {
            if (lower.endsWith(icu::UnicodeString(suffix))) {
                return true;
            }
        }
        return isNumberWithUnit(candidate);
    }

  private:
    void collect(const Regex& pattern, const icu::UnicodeString& context) {
        auto scanner = pattern.scan(context);
        while (scanner.next()) {
            matches_.push_back(scanner.matchText());
        }
    }

    std::vector<icu::UnicodeString> matches_;
};

}  // namespace

struct SimpleOTPParser::TextState {
    TextState(const SimpleOTPParser& parser, const icu::UnicodeString& text)
        : parser(parser), text(text), filter(*parser.prefilter_, text) {}

    const Exclusions& exclusions() {
        if (!matches) {
            matches.emplace(text, parser.exclusionPatterns_, parser.languagePatterns_.size(),
                            filter);
        }
        return *matches;
    }

    const SimpleOTPParser& parser;
    const icu::UnicodeString& text;
    GroupedPrefilter::Lazy filter;
    std::optional<Exclusions> matches;
};

SimpleOTPParser::SimpleOTPParser() : SimpleOTPParser(loadFrom(shippedWithUserFolder())) {}

SimpleOTPParser::SimpleOTPParser(const ResourceLocator& locator)
    : SimpleOTPParser(loadFrom(locator)) {}

SimpleOTPParser::SimpleOTPParser(std::set<std::string> otpKeywords,
                                 std::vector<Regex> languagePatterns,
                                 std::vector<CustomPattern> customPatterns)
    : otpKeywords_(std::make_shared<const std::set<std::string>>(std::move(otpKeywords))),
      gate_(*otpKeywords_),
      languagePatterns_(std::move(languagePatterns)),
      customPatterns_(std::move(customPatterns)),
      listedServices_(nameTableOf({}, std::make_shared<const std::set<std::string>>())),
      prefilter_(prefilterOver(languagePatterns_, exclusionPatterns_, {})) {}

SimpleOTPParser::SimpleOTPParser(LanguageFile languages, std::vector<CustomPattern> customPatterns)
    : otpKeywords_(std::make_shared<const std::set<std::string>>(std::move(languages.keywords))),
      gate_(*otpKeywords_),
      languagePatterns_(std::move(languages.patterns)),
      customPatterns_(std::move(customPatterns)),
      exclusionPatterns_(std::move(languages.exclusions)),
      listedServices_(nameTableOf(std::move(languages.services), otpKeywords_)),
      prefilter_(prefilterOver(languagePatterns_, exclusionPatterns_,
                               std::move(languages.patternFileEnds))) {}

std::optional<ParsedOTP> SimpleOTPParser::parse(std::string_view utf8Text) const {
    const icu::UnicodeString received = fromUtf8(utf8Text);

    if (auto custom = matchCustomPatterns(received)) {
        if (auto ascii = withAsciiDigits(fromUtf8(custom->code))) {
            custom->code = toUtf8(*ascii);
        }
        return custom;
    }

    // Other scripts' digits are read as ASCII ones; a text without any is read as received.
    const std::optional<icu::UnicodeString> ascii = withAsciiDigits(received);
    const icu::UnicodeString& text = ascii ? *ascii : received;
    const icu::UnicodeString lower = lowerCased(text);
    TextState state(*this, text);
    if (auto found = parseByLanguage(text, lower, state)) {
        return found;
    }
    if (!structuralRules_) {
        return std::nullopt;
    }
    return parseByStructure(text, lower, state);
}

SimpleOTPParser SimpleOTPParser::languageStagesOnly() const {
    SimpleOTPParser copy(*this);
    copy.structuralRules_ = false;
    return copy;
}

std::optional<ParsedOTP> SimpleOTPParser::parseByLanguage(const icu::UnicodeString& text,
                                                          const icu::UnicodeString& lower,
                                                          TextState& state) const {
    if (!gate_.matches(lower)) {
        return std::nullopt;
    }

    // The Google-style code needs its 'G-' (the pattern is case-sensitive).
    if (text.indexOf(u"G-", 2, 0) >= 0) {
        auto google = fixedPatterns().googleStyle.scan(text);
        if (google.next()) {
            if (auto code = google.mappedGroup(1)) {
                return ParsedOTP{"google", toUtf8(*code)};
            }
        }
    }

    // The prefilter looks at each text it is asked about; removing links can join words.
    const icu::UnicodeString stripped = removeLinks(text);
    std::optional<GroupedPrefilter::Lazy> strippedFilter;
    if (stripped.length() != text.length()) {
        strippedFilter.emplace(*prefilter_, stripped);
    }
    const std::vector<Candidate> candidates =
        candidatesOf(stripped, strippedFilter ? *strippedFilter : state.filter);
    if (candidates.empty()) {
        return std::nullopt;
    }
    // Exclusions look at the text as received, links included.
    const Exclusions& exclusions = state.exclusions();
    for (const auto& candidate : candidates) {
        if (!exclusions.excludes(candidate.code, candidate.written)) {
            return ParsedOTP{
                extractServiceUtf16(text, lower, *otpKeywords_, &listedServices_->get(), &gate_),
                toUtf8(candidate.code)};
        }
    }
    return std::nullopt;
}

std::optional<ParsedOTP> SimpleOTPParser::parseByStructure(const icu::UnicodeString& text,
                                                           const icu::UnicodeString& lower,
                                                           TextState& state) const {
    const StructuralRules& rules = structuralRules();
    const auto candidates = rules.candidates(removeLinks(text));
    if (candidates.empty() || rules.isPromotional(lower)) {
        return std::nullopt;
    }
    const Exclusions& exclusions = state.exclusions();
    for (const auto& candidate : candidates) {
        if (exclusions.excludes(candidate.code, candidate.written)) {
            continue;
        }
        std::optional<std::string> service;
        if (candidate.serviceName) {
            service = acceptedServiceName(*candidate.serviceName, *otpKeywords_);
        }
        if (!service) {
            service =
                extractServiceUtf16(text, lower, *otpKeywords_, &listedServices_->get(), &gate_);
            // Words these rules know as code words are keywords of no file.
            if (service && rules.namesACode(fromUtf8(*service))) {
                service.reset();
            }
        }
        return ParsedOTP{std::move(service), toUtf8(candidate.code)};
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

std::vector<SimpleOTPParser::Candidate> SimpleOTPParser::candidatesOf(
    const icu::UnicodeString& s, GroupedPrefilter::Lazy& filter) const {
    // A language pattern that yields something with a digit decides alone.
    for (std::size_t i = 0; i < languagePatterns_.size(); ++i) {
        if (!filter.mayMatch(i)) {
            continue;
        }
        auto scanner = languagePatterns_[i].scan(s);
        if (!scanner.next() || scanner.groupCount() < 1) {
            continue;
        }
        const auto group = scanner.mappedGroup(1);
        if (!group) {
            continue;
        }
        icu::UnicodeString code = cleaned(*group);
        if (containsNumberCharacter(code)) {
            return {Candidate{std::move(code), *group}};
        }
    }

    const FixedPatterns& fixed = fixedPatterns();
    std::vector<Candidate> candidates;
    {
        auto scanner = fixed.digitRun.scan(s);
        while (scanner.next()) {
            if (auto group = scanner.mappedGroup(1)) {
                candidates.push_back(Candidate{*std::move(group), {}});
            }
        }
    }
    {
        auto scanner = fixed.splitCode.scan(s);
        while (scanner.next()) {
            if (auto group = scanner.mappedGroup(1)) {
                candidates.push_back(Candidate{cleaned(*group), *group});
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
                candidates.push_back(Candidate{*group, {}});
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
                candidates.push_back(Candidate{std::move(digits), *group});
            }
        }
    }
    return candidates;
}

std::vector<std::string> SimpleOTPParser::findCandidates(std::string_view utf8Text) const {
    // The language patterns see digits as parse shows them: ASCII.
    const icu::UnicodeString received = fromUtf8(utf8Text);
    const std::optional<icu::UnicodeString> ascii = withAsciiDigits(received);
    const icu::UnicodeString& text = ascii ? *ascii : received;
    GroupedPrefilter::Lazy filter(*prefilter_, text);
    std::vector<std::string> out;
    for (const auto& candidate : candidatesOf(text, filter)) {
        out.push_back(toUtf8(candidate.code));
    }
    return out;
}

bool SimpleOTPParser::isExcluded(std::string_view candidate, std::string_view context) {
    return Exclusions(fromUtf8(context)).excludes(fromUtf8(candidate));
}

std::optional<std::string> SimpleOTPParser::extractService(std::string_view utf8Text) const {
    return nabbit::extractService(utf8Text, *otpKeywords_, &listedServices_->get());
}

}  // namespace nabbit
