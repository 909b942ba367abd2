#include "parser/UnicodeText.h"

#include <algorithm>
#include <limits>

#include <unicode/locid.h>
#include <unicode/stringpiece.h>

namespace nabbit {

icu::UnicodeString fromUtf8(std::string_view utf8) {
    // ICU strings are indexed by int32_t; a longer text is cut rather than wrapped around.
    const auto length = std::min<std::size_t>(utf8.size(), std::numeric_limits<int32_t>::max());
    return icu::UnicodeString::fromUTF8(
        icu::StringPiece(utf8.data(), static_cast<int32_t>(length)));
}

std::string toUtf8(const icu::UnicodeString& text) {
    std::string out;
    text.toUTF8String(out);
    return out;
}

icu::UnicodeString lowerCased(const icu::UnicodeString& text) {
    icu::UnicodeString lower(text);
    lower.toLower(icu::Locale::getRoot());
    return lower;
}

}  // namespace nabbit
