#pragma once

#include <string>
#include <string_view>

#include <unicode/unistr.h>

namespace nabbit {

// Conversions between the UTF-8 the rest of Nabbit uses and the UTF-16 that ICU matches on.
// Invalid UTF-8 becomes U+FFFD, so any byte sequence is a valid text.
icu::UnicodeString fromUtf8(std::string_view utf8);
std::string toUtf8(const icu::UnicodeString& text);
// The same UTF-16 as fromUtf8, as a plain string: for tables of many short strings, which
// need no ICU string each on the way.
std::u16string utf16Of(std::string_view utf8);

// Default Unicode lower-casing (root locale, full mappings).
icu::UnicodeString lowerCased(const icu::UnicodeString& text);

}  // namespace nabbit
