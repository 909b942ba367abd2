#include "parser/UnicodeText.h"

#include <algorithm>
#include <limits>

#include <unicode/locid.h>
#include <unicode/stringpiece.h>
#include <unicode/ustring.h>

namespace nabbit {

icu::UnicodeString fromUtf8(std::string_view utf8) {
    // ICU strings are indexed by int32_t; a longer text is cut rather than wrapped around.
    const auto length = std::min<std::size_t>(utf8.size(), std::numeric_limits<int32_t>::max());
    return icu::UnicodeString::fromUTF8(
        icu::StringPiece(utf8.data(), static_cast<int32_t>(length)));
}

std::u16string utf16Of(std::string_view utf8) {
    const auto length = std::min<std::size_t>(utf8.size(), std::numeric_limits<int32_t>::max());
    // A UTF-8 text never has more UTF-16 units than bytes.
    std::u16string units(length, u'\0');
    std::size_t i = 0;
    for (; i < length && static_cast<unsigned char>(utf8[i]) < 0x80; ++i) {
        units[i] = static_cast<char16_t>(utf8[i]);
    }
    if (i == length) {
        return units;
    }
    int32_t written = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(units.data() + i, static_cast<int32_t>(length - i), &written,
                         utf8.data() + i, static_cast<int32_t>(length - i), 0xFFFD, nullptr,
                         &status);
    if (U_FAILURE(status)) {
        const icu::UnicodeString text = fromUtf8(utf8);
        return std::u16string(text.getBuffer(), static_cast<std::size_t>(text.length()));
    }
    units.resize(i + static_cast<std::size_t>(written));
    return units;
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
