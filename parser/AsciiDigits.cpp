#include "parser/AsciiDigits.h"

#include <unicode/uchar.h>

namespace nabbit {

namespace {

constexpr UChar32 kArabicDecimalSeparator = 0x066B;
constexpr UChar32 kArabicThousandsSeparator = 0x066C;
constexpr char16_t kFirstOtherDigit = 0x0660;

bool isOtherDigit(UChar32 c) {
    return c > 0x7F && u_charType(c) == U_DECIMAL_DIGIT_NUMBER;
}

}  // namespace

std::optional<icu::UnicodeString> withAsciiDigits(const icu::UnicodeString& text) {
    bool any = false;
    for (int32_t i = 0; i < text.length() && !any; ++i) {
        // No decimal digit other than ASCII comes before the Arabic-Indic ones.
        if (text[i] >= kFirstOtherDigit) {
            const UChar32 c = text.char32At(i);
            any = isOtherDigit(c);
            i += U16_LENGTH(c) - 1;
        }
    }
    if (!any) {
        return std::nullopt;
    }
    icu::UnicodeString out;
    for (int32_t i = 0; i < text.length(); i = text.moveIndex32(i, 1)) {
        const UChar32 c = text.char32At(i);
        if (isOtherDigit(c)) {
            out.append(static_cast<UChar32>(u'0' + u_charDigitValue(c)));
        } else if (c == kArabicDecimalSeparator) {
            out.append(u'.');
        } else if (c == kArabicThousandsSeparator) {
            out.append(u',');
        } else {
            out.append(c);
        }
    }
    return out;
}

}  // namespace nabbit
