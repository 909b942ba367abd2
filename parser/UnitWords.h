#pragma once

#include <unicode/unistr.h>

namespace nabbit {

// Whether a token is a number glued to a unit of time or measure ('10min', '24h', '30sek',
// '5GB'): a quantity, never a code. Units are matched whole and regardless of case, in the
// spellings of the languages the parser knows.
bool isNumberWithUnit(const icu::UnicodeString& token);

}  // namespace nabbit
