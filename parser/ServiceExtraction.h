#pragma once

#include <array>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include <unicode/unistr.h>

#include "parser/Regex.h"

namespace nabbit {

// A name in square brackets or parentheses opening the text, or the name after 'welcome to'.
const std::array<Regex, 3>& servicePrefixPatterns();
// The first word after 'from', or after 'verification/code/otp/pin for/from'.
const std::array<Regex, 2>& serviceContextPatterns();

// The service that sent a message, from its lower-cased text: the first well-known name
// contained in it, else a name found by the prefix patterns, else by the context patterns.
// A name found by a pattern is refused when it has fewer than three characters, is one of
// the parser's keywords or is a stop word.
std::optional<std::string> extractService(std::string_view lowerUtf8,
                                          const std::set<std::string>& keywords);
// The same on the UTF-16 text the parser already holds.
std::optional<std::string> extractServiceUtf16(const icu::UnicodeString& lowerText,
                                               const std::set<std::string>& keywords);

}  // namespace nabbit
