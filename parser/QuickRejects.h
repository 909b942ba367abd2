#pragma once

#include <unicode/unistr.h>

namespace nabbit {

// Cheap tests that a text cannot hold a match of one of the parser's own patterns, so that
// the pattern need not run. They only ever answer "maybe" for a text the pattern could
// match: a character they are unsure of (beyond ASCII) counts as a maybe.

// A digit (any script), then digits and white space, then one of the ASCII letters given
// (either case): what '\b\d+\s*(am|pm)\b' and the ordinal pattern need.
bool mayHaveNumberThenLetter(const icu::UnicodeString& text, const char16_t* letters);

// Three digits, '.' or '-', three digits, '.' or '-', four digits: a dotted phone number.
bool mayHaveDottedPhone(const icu::UnicodeString& text);

// A '$' right before a digit.
bool mayHaveDollarAmount(const icu::UnicodeString& text);

}  // namespace nabbit
