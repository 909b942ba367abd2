#include "sources/Whitespace.h"

#include <unicode/uchar.h>

#include "parser/UnicodeText.h"

namespace nabbit {

bool isWhitespaceOrNewline(UChar32 c) {
    if (c == 0x09 || (c >= 0x0A && c <= 0x0D) || c == 0x85) {
        return true;
    }
    const auto category = u_charType(c);
    return category == U_SPACE_SEPARATOR || category == U_LINE_SEPARATOR ||
           category == U_PARAGRAPH_SEPARATOR;
}

icu::UnicodeString trimWhitespaceAndNewlines(const icu::UnicodeString& text) {
    int32_t begin = 0;
    int32_t end = text.length();
    while (begin < end && isWhitespaceOrNewline(text.char32At(begin))) {
        begin = text.moveIndex32(begin, 1);
    }
    while (end > begin) {
        const int32_t previous = text.moveIndex32(end, -1);
        if (!isWhitespaceOrNewline(text.char32At(previous))) {
            break;
        }
        end = previous;
    }
    return icu::UnicodeString(text, begin, end - begin);  // a copy, not an alias of `text`
}

std::string trimWhitespaceAndNewlines(std::string_view utf8) {
    return toUtf8(trimWhitespaceAndNewlines(fromUtf8(utf8)));
}

}  // namespace nabbit
