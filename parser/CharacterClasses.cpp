#include "parser/CharacterClasses.h"

namespace nabbit {

namespace {

template <class Predicate>
bool containsAny(const icu::UnicodeString& text, Predicate predicate) {
    for (int32_t i = 0; i < text.length(); i = text.moveIndex32(i, 1)) {
        if (predicate(text.char32At(i))) {
            return true;
        }
    }
    return false;
}

template <class Predicate>
icu::UnicodeString keepOnly(const icu::UnicodeString& text, Predicate predicate) {
    icu::UnicodeString out;
    for (int32_t i = 0; i < text.length(); i = text.moveIndex32(i, 1)) {
        const UChar32 c = text.char32At(i);
        if (predicate(c)) {
            out.append(c);
        }
    }
    return out;
}

}  // namespace

bool isAlphanumeric(UChar32 c) {
    return (U_GET_GC_MASK(c) & (U_GC_L_MASK | U_GC_M_MASK | U_GC_N_MASK)) != 0;
}

bool isNumberCharacter(UChar32 c) {
    return (U_GET_GC_MASK(c) & U_GC_N_MASK) != 0;
}

bool isLetter(UChar32 c) {
    return u_hasBinaryProperty(c, UCHAR_ALPHABETIC) != 0;
}

bool containsNumberCharacter(const icu::UnicodeString& text) {
    return containsAny(text, isNumberCharacter);
}

bool containsLetter(const icu::UnicodeString& text) {
    return containsAny(text, isLetter);
}

icu::UnicodeString cleaned(const icu::UnicodeString& text) {
    return keepOnly(text, isAlphanumeric);
}

icu::UnicodeString numberCharacters(const icu::UnicodeString& text) {
    return keepOnly(text, isNumberCharacter);
}

}  // namespace nabbit
