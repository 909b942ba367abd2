#include "parser/QuickRejects.h"

#include <unicode/uchar.h>

namespace nabbit {

namespace {

constexpr char16_t kFirstNonAscii = 0x80;

bool isAsciiDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// Whether a unit may be (part of) a decimal digit: ASCII digits, and any unit beyond ASCII
// that is one or that is half of a surrogate pair (supplementary digits exist).
bool mayBeDigit(char16_t c) {
    if (c < kFirstNonAscii) {
        return isAsciiDigit(c);
    }
    return U16_IS_SURROGATE(c) || u_charType(c) == U_DECIMAL_DIGIT_NUMBER;
}

// Whether a unit may be white space as '\s' reads it (ASCII control spaces generously).
bool mayBeSpace(char16_t c) {
    if (c < kFirstNonAscii) {
        return c == u' ' || (c >= u'\t' && c <= u'\r') || (c >= 0x1C && c <= 0x1F);
    }
    return U16_IS_SURROGATE(c) || u_isUWhiteSpace(c) || (U_GET_GC_MASK(c) & U_GC_Z_MASK) != 0;
}

bool isOneOf(char16_t c, const char16_t* letters) {
    const char16_t lower = c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
    for (const char16_t* l = letters; *l != 0; ++l) {
        if (lower == *l) {
            return true;
        }
    }
    return false;
}

bool digitsAt(const icu::UnicodeString& text, int32_t start, int32_t count) {
    if (start < 0 || start + count > text.length()) {
        return false;
    }
    for (int32_t i = start; i < start + count; ++i) {
        if (!mayBeDigit(text[i])) {
            return false;
        }
    }
    return true;
}

bool isDotOrDash(char16_t c) {
    return c == u'.' || c == u'-';
}

bool hasSurrogate(const icu::UnicodeString& text) {
    for (int32_t i = 0; i < text.length(); ++i) {
        if (U16_IS_SURROGATE(text[i])) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool mayHaveNumberThenLetter(const icu::UnicodeString& text, const char16_t* letters) {
    const int32_t length = text.length();
    for (int32_t i = 0; i < length;) {
        if (!mayBeDigit(text[i])) {
            ++i;
            continue;
        }
        int32_t k = i + 1;
        while (k < length && (mayBeDigit(text[k]) || mayBeSpace(text[k]))) {
            ++k;
        }
        if (k < length && (text[k] >= kFirstNonAscii || isOneOf(text[k], letters))) {
            return true;
        }
        // Every start inside the run ends where this one did.
        i = k;
    }
    return false;
}

bool mayHaveDottedPhone(const icu::UnicodeString& text) {
    // A digit of two units would shift the positions counted below.
    if (hasSurrogate(text)) {
        return true;
    }
    for (int32_t i = 3; i + 8 < text.length(); ++i) {
        if (isDotOrDash(text[i]) && isDotOrDash(text[i + 4]) && digitsAt(text, i - 3, 3) &&
            digitsAt(text, i + 1, 3) && digitsAt(text, i + 5, 4)) {
            return true;
        }
    }
    return false;
}

bool mayHaveDollarAmount(const icu::UnicodeString& text) {
    for (int32_t i = text.indexOf(u'$'); i >= 0; i = text.indexOf(u'$', i + 1)) {
        if (i + 1 < text.length() && mayBeDigit(text[i + 1])) {
            return true;
        }
    }
    return false;
}

}  // namespace nabbit
