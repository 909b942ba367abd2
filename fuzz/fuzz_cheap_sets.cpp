// Arbitrary bytes as a language-file pattern through the rewrite into cheaper sets (\d as
// 0-9, letter categories from binary properties); the first byte chooses whether the pattern
// is case-insensitive. Whenever it rewrites, the pattern as written and as rewritten must
// compile alike and, on texts whose digits are ASCII, find the same matches.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <unicode/regex.h>

#include "parser/CheapSets.h"
#include "parser/UnicodeText.h"

namespace {

using namespace nabbit;

constexpr std::size_t kMaxInput = 256;

// Texts like those the patterns meet: their digits are ASCII (the parser converts others).
const std::vector<std::string_view> kTexts{
    "code 482913, ref 12-34/56.",
    "a-z 0 9 _ & ^ [x] é \\d\n5",
    "[]-&/.,:;09AZaz",
    // Letters and marks where the categories and the binary properties part ways, and
    // characters that case folding ties to letters.
    "Ⅻ℘℮゛ⸯ\u0345ιΙⒶⓐǅªK\u212A ſs µ",
    "",
};

std::unique_ptr<icu::RegexPattern> compiled(std::string_view source, bool caseInsensitive) {
    UErrorCode status = U_ZERO_ERROR;
    UParseError where{};
    std::unique_ptr<icu::RegexPattern> pattern(icu::RegexPattern::compile(
        fromUtf8(source), caseInsensitive ? UREGEX_CASE_INSENSITIVE : 0, where, status));
    return U_SUCCESS(status) ? std::move(pattern) : nullptr;
}

std::vector<int64_t> matches(const icu::RegexPattern& pattern, const icu::UnicodeString& text) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> matcher(pattern.matcher(text, status));
    std::vector<int64_t> spans;
    if (U_FAILURE(status)) {
        return spans;
    }
    matcher->setTimeLimit(10, status);
    while (U_SUCCESS(status) && matcher->find(status)) {
        spans.push_back(matcher->start(status));
        spans.push_back(matcher->end(status));
    }
    spans.push_back(status == U_REGEX_TIME_OUT ? -1 : 0);
    return spans;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 1 || size > kMaxInput) {
        return 0;
    }
    const bool caseInsensitive = (data[0] & 1) != 0;
    const std::string_view source(reinterpret_cast<const char*>(data) + 1, size - 1);
    const auto rewritten =
        withCheapSets(source, {.asciiDigits = true, .caseInsensitive = caseInsensitive});
    if (!rewritten) {
        return 0;
    }
    const auto written = compiled(source, caseInsensitive);
    const auto ascii = compiled(*rewritten, caseInsensitive);
    if ((written == nullptr) != (ascii == nullptr)) {
        std::abort();
    }
    if (written == nullptr) {
        return 0;
    }
    for (const std::string_view text : kTexts) {
        const icu::UnicodeString utf16 = fromUtf8(text);
        const auto a = matches(*written, utf16);
        const auto b = matches(*ascii, utf16);
        // A time-out on either side says nothing about the sets.
        if (a.back() == 0 && b.back() == 0 && a != b) {
            std::abort();
        }
    }
    return 0;
}
