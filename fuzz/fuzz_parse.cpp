// Arbitrary bytes as a message text (UTF-8, invalid sequences included) through parse, with
// the shipped language files and with a small in-memory configuration that exercises every
// stage, custom patterns and the language-independent rules included; the fast link removal against
// the plain search; and the prefilter, which must never pass over a shipped pattern or exclusion
// that matches.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include <unicode/uchar.h>

#include "parser/FixedPatterns.h"
#include "parser/GraphemeCount.h"
#include "parser/LinkRemoval.h"
#include "parser/PatternPrefilter.h"
#include "parser/SimpleOTPParser.h"
#include "parser/UnicodeText.h"

namespace {

using namespace nabbit;

Regex pattern(const char* source) {
    auto regex = Regex::compile(source, RegexOptions{.bounded = true});
    if (!regex) {
        std::abort();
    }
    return *regex;
}

const SimpleOTPParser& representative() {
    static const SimpleOTPParser parser(
        {"code", "verification", "otp", "pin", "验证码", "código", "passcode"},
        {pattern(R"((?i:code)\s*(?:is|:)?\s*(\d{4,8}))"),
         pattern(R"(验证码[是为:：]?\s*(\d{4,8}))"),
         pattern(R"((?i:c[oó]digo)[^\d]{0,20}([A-Z0-9]{3}[ -]?[A-Z0-9]{3}))")},
        {CustomPattern{"Acme", pattern(R"(ref ([A-Z0-9-]+))")},
         CustomPattern{"Origin", pattern(R"(@([a-z0-9.-]+) #(\d{4,8}))")}});
    return parser;
}

// The shipped files next to the executable, without the user's overrides (the fuzzer must not
// depend on, or create, anything in the home folder).
const SimpleOTPParser& shipped() {
    static const SimpleOTPParser parser(
        ResourceLocator::forDirectory(ResourceLocator::shippedResourceDir()));
    return parser;
}

// Every shipped language pattern, then every shipped exclusion, with a prefilter over them.
struct ShippedPatterns {
    std::vector<Regex> patterns;
    PatternPrefilter filter;
};

const ShippedPatterns& shippedPatterns() {
    static const ShippedPatterns all = [] {
        ShippedPatterns out;
        out.patterns = shipped().languagePatterns();
        const auto& exclusions = shipped().exclusionPatterns();
        out.patterns.insert(out.patterns.end(), exclusions.begin(), exclusions.end());
        std::vector<const Regex*> pointers;
        for (const auto& pattern : out.patterns) {
            pointers.push_back(&pattern);
        }
        out.filter = PatternPrefilter(pointers);
        return out;
    }();
    return all;
}

void check(const std::optional<ParsedOTP>& first, const std::optional<ParsedOTP>& again) {
    // Parsing is a pure function of the text, and a found code is never empty.
    if (first != again || (first && first->code.empty())) {
        std::abort();
    }
    // Codes are delivered with ASCII digits only.
    if (first) {
        const icu::UnicodeString code = fromUtf8(first->code);
        for (int32_t i = 0; i < code.length(); i = code.moveIndex32(i, 1)) {
            const UChar32 c = code.char32At(i);
            if (c > 0x7F && u_charType(c) == U_DECIMAL_DIGIT_NUMBER) {
                std::abort();
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const SimpleOTPParser* parser : {&representative(), &shipped()}) {
        check(parser->parse(text), parser->parse(text));
    }
    if (graphemeCount(text) > size) {
        std::abort();
    }
    // The linear domain-path removal against the plain search (quadratic, so short texts only).
    if (size <= 1024) {
        const icu::UnicodeString utf16 = fromUtf8(text);
        const auto& all = shippedPatterns();
        const auto found = all.filter.scan(utf16);
        for (std::size_t i = 0; i < all.patterns.size(); ++i) {
            if (!all.filter.mayMatch(i, found) && all.patterns[i].scan(utf16).next()) {
                std::abort();
            }
        }
        if (removeDomainPaths(utf16) !=
            fixedPatterns().domainPathPattern.scan(utf16).replaceAll(icu::UnicodeString())) {
            std::abort();
        }
    }
    return 0;
}
