#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace nabbit {

// An ICU pattern with every \d inside a bracket set ('[\d.,]', '[^\d\n]') written as
// \x{30}-\x{39}, for patterns only ever run on texts whose decimal digits are all ASCII
// (withAsciiDigits): there both forms match the same. ICU builds the set of every script's
// digits afresh for each such \d, some 0.3 M instructions apiece, where the range costs next
// to nothing; the language files hold hundreds of them. A \d outside sets already costs
// nothing and is left alone.
//
// Conservative: absent (use the pattern as written) for anything it does not follow
// completely: free-spacing mode, comments, quoted text, \c, one-letter properties, nested
// sets or set operations, a '-' in a set anywhere but between two plain characters, an
// unbalanced bracket.
std::optional<std::string> withAsciiDigitSets(std::string_view pattern);

}  // namespace nabbit
