#include "parser/ServiceExtraction.h"

#include <unicode/uchar.h>

#include "parser/FixedPatterns.h"
#include "parser/GraphemeCount.h"
#include "parser/KnownServices.h"
#include "parser/StopWords.h"
#include "parser/UnicodeText.h"

namespace nabbit {

namespace {

// Space separators and the tab; line breaks stay.
bool isBlank(UChar32 c) {
    return c == u'\t' || u_charType(c) == U_SPACE_SEPARATOR;
}

icu::UnicodeString trimBlanks(const icu::UnicodeString& text) {
    int32_t start = 0;
    int32_t end = text.length();
    while (start < end && isBlank(text.char32At(start))) {
        start = text.moveIndex32(start, 1);
    }
    while (end > start) {
        const int32_t before = text.moveIndex32(end, -1);
        if (!isBlank(text.char32At(before))) {
            break;
        }
        end = before;
    }
    return icu::UnicodeString(text, start, end - start);
}

// The name a pattern's first match offers, when it is acceptable.
template <std::size_t N>
std::optional<std::string> firstAccepted(const std::array<Regex, N>& patterns,
                                         const icu::UnicodeString& text,
                                         const std::set<std::string>& keywords) {
    for (const Regex& pattern : patterns) {
        auto scanner = pattern.scan(text);
        if (!scanner.next()) {
            continue;
        }
        const auto group = scanner.mappedGroup(1);
        if (!group) {
            continue;
        }
        const icu::UnicodeString name = trimBlanks(*group);
        const std::string check = toUtf8(lowerCased(trimBlanks(name)));
        if (graphemeCount(check) < 3 || keywords.contains(check) || stopWords().contains(check)) {
            continue;
        }
        return toUtf8(name);
    }
    return std::nullopt;
}

}  // namespace

const std::array<Regex, 3>& servicePrefixPatterns() {
    static const std::array<Regex, 3> patterns{
        compileFixed(R"(^\[([^\]\d]{3,})\])"),
        compileFixed(R"(^\(([^)\d]{3,})\))"),
        compileFixed(R"(^welcome\s+to\s+([\w\d ]{4,}?)[\s,;.])"),
    };
    return patterns;
}

const std::array<Regex, 2>& serviceContextPatterns() {
    static const std::array<Regex, 2> patterns{
        compileFixed(R"(from\s+([a-z0-9 ]+?)(?:\s|$))"),
        compileFixed(R"((?:verification|code|otp|pin)\s+(?:for|from)\s+([a-z0-9 ]+?)(?:\s|$))"),
    };
    return patterns;
}

std::optional<std::string> extractServiceUtf16(const icu::UnicodeString& lowerText,
                                               const std::set<std::string>& keywords) {
    if (const auto known = firstKnownService(toUtf8(lowerText))) {
        return std::string(*known);
    }
    if (auto name = firstAccepted(servicePrefixPatterns(), lowerText, keywords)) {
        return name;
    }
    return firstAccepted(serviceContextPatterns(), lowerText, keywords);
}

std::optional<std::string> extractService(std::string_view lowerUtf8,
                                          const std::set<std::string>& keywords) {
    return extractServiceUtf16(fromUtf8(lowerUtf8), keywords);
}

}  // namespace nabbit
