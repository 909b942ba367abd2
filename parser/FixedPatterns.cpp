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

namespace {

// Compiled on first use: a text without a link never needs the link patterns, and most need
// none of the exclusions (compiling a pattern costs more than a search).
Regex onFirstUse(const char* pattern, bool caseInsensitive = false) {
    return Regex::deferred(pattern, RegexOptions{.caseInsensitive = caseInsensitive});
}

}  // namespace

const FixedPatterns& fixedPatterns() {
    static const FixedPatterns patterns{
        .exclusionPatterns =
            {
                onFirstUse(R"(\b(\d{3})[.\-](\d{3})[.\-](\d{4})\b)"),
                onFirstUse(R"(\$\d+)"),
                onFirstUse(R"(\b\d+\s*(am|pm)\b)", true),
                onFirstUse(R"(\b\d+\s*(st|nd|rd|th)\b)", true),
            },
        .exclusionMayMatch = {
            mayHaveDottedPhone,
            mayHaveDollarAmount,
            [](const icu::UnicodeString& text) { return mayHaveNumberThenLetter(text, u"ap"); },
            [](const icu::UnicodeString& text) { return mayHaveNumberThenLetter(text, u"snrt"); },
        },
        .linkPattern = onFirstUse(R"(https?://[^\s]+)", true),
        .domainPathPattern =
            onFirstUse(R"([a-zA-Z0-9][-a-zA-Z0-9]*(?:\.[a-zA-Z0-9][-a-zA-Z0-9]*)+/[^\s]*)", true),
        .googleStyle = onFirstUse(R"(\b(G-[A-Z0-9]{5})\b)"),
        // A run joined to letters or digits by "#" is a piece of a longer token (a password
        // "Xk9#mP2q", an identifier "ID#4829"), not a code of its own.
        .digitRun = onFirstUse(R"((?<![A-Za-z0-9]#)\b(\d{4,8})\b(?!#[A-Za-z0-9]))"),
        .splitCode = onFirstUse(R"(\b(\d{3}[\s\-]\d{3,6})\b)"),
        .mixedToken =
            onFirstUse(R"((?<![A-Za-z0-9]#)\b([A-Za-z0-9]*\d[A-Za-z0-9]*)\b(?!#[A-Za-z0-9]))"),
        .lenticularBrackets = onFirstUse(R"(【([\u4e00-\u9fa5\d\w]+)】)"),
    };
    return patterns;
}

}  // namespace nabbit
