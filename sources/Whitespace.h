#pragma once

#include <string>
#include <string_view>

#include <unicode/unistr.h>

namespace nabbit {

// White space and line breaks as the message sources trim them: tab, U+000A to U+000D, U+0085
// and the separator categories (Zs, Zl, Zp). Other control characters and U+FFFD are not.
bool isWhitespaceOrNewline(UChar32 c);

// The text without such characters at either end.
icu::UnicodeString trimWhitespaceAndNewlines(const icu::UnicodeString& text);
std::string trimWhitespaceAndNewlines(std::string_view utf8);

}  // namespace nabbit
