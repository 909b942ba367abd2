#pragma once

#include <unicode/uchar.h>
#include <unicode/unistr.h>

namespace nabbit {

// The character classes the parser decides with, per code point.

// Unicode letter, mark or number categories.
bool isAlphanumeric(UChar32 c);
// General category Nd, Nl or No.
bool isNumberCharacter(UChar32 c);
// The Alphabetic property.
bool isLetter(UChar32 c);

bool containsNumberCharacter(const icu::UnicodeString& text);
bool containsLetter(const icu::UnicodeString& text);

// Removes every code point that is not alphanumeric: 'AB-12 3' becomes 'AB123'.
icu::UnicodeString cleaned(const icu::UnicodeString& text);

// Keeps only the number characters.
icu::UnicodeString numberCharacters(const icu::UnicodeString& text);

}  // namespace nabbit
