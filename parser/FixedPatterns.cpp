#include "parser/FixedPatterns.h"

#include <cstdlib>

#include "parser/QuickRejects.h"

namespace nabbit {

Regex compileFixed(const char* pattern, bool caseInsensitive) {
    auto regex = Regex::compile(pattern, RegexOptions{.caseInsensitive = caseInsensitive});
    if (!regex) {
        std::abort();
    }
    return *std::move(regex);
}

const FixedPatterns& fixedPatterns() {
    static const FixedPatterns patterns{
        .exclusionPatterns =
            {
                compileFixed(R"(\b(\d{3})[.\-](\d{3})[.\-](\d{4})\b)"),
                compileFixed(R"(\$\d+)"),
                compileFixed(R"(\b\d+\s*(am|pm)\b)", true),
                compileFixed(R"(\b\d+\s*(st|nd|rd|th)\b)", true),
            },
        .exclusionMayMatch = {
            mayHaveDottedPhone,
            mayHaveDollarAmount,
            [](const icu::UnicodeString& text) { return mayHaveNumberThenLetter(text, u"ap"); },
            [](const icu::UnicodeString& text) { return mayHaveNumberThenLetter(text, u"snrt"); },
        },
        .linkPattern = compileFixed(R"(https?://[^\s]+)", true),
        .domainPathPattern =
            compileFixed(R"([a-zA-Z0-9][-a-zA-Z0-9]*(?:\.[a-zA-Z0-9][-a-zA-Z0-9]*)+/[^\s]*)", true),
        .googleStyle = compileFixed(R"(\b(G-[A-Z0-9]{5})\b)"),
        .digitRun = compileFixed(R"(\b(\d{4,8})\b)"),
        .splitCode = compileFixed(R"(\b(\d{3}[\s\-]\d{3,6})\b)"),
        .mixedToken = compileFixed(R"(\b([A-Za-z0-9]*\d[A-Za-z0-9]*)\b)"),
        .lenticularBrackets = compileFixed(R"(【([\u4e00-\u9fa5\d\w]+)】)"),
    };
    return patterns;
}

}  // namespace nabbit
