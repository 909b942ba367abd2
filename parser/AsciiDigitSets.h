#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace nabbit {

// An ICU pattern with every \d inside a bracket set ('[\d.,]', '[^\d\n]') written as 0-9
// (as \x{30}-\x{39}),
// for patterns only ever run on texts whose decimal digits are all ASCII (withAsciiDigits):
// there both forms match the same. ICU builds the set of every script's digits afresh for
// each such \d, some 0.3 M instructions apiece, where 0-9 costs next to nothing; the language
// files hold hundreds of them. A \d outside sets already costs nothing and is left alone.
//
// Conservative: absent (use the pattern as written) for anything it does not follow
// completely: free-spacing mode, quoted text, nested sets or set operations, an unbalanced
// bracket. A \d next to an unescaped '-' inside a set stays as written.
std::optional<std::string> withAsciiDigitSets(std::string_view pattern);

}  // namespace nabbit
