#pragma once

#include <optional>

#include <unicode/unistr.h>

namespace nabbit {

// The text with the decimal digits of every other script (Arabic-Indic, Persian, Devanagari,
// Bengali, Thai, full-width, ...) written as ASCII digits, and the Arabic decimal and
// thousands separators as '.' and ',', so that they are found like ASCII digits and a code
// is delivered the way a form field accepts it. Absent when the text has no such digit: it
// is then read exactly as received.
std::optional<icu::UnicodeString> withAsciiDigits(const icu::UnicodeString& text);

}  // namespace nabbit
