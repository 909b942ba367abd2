#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace nabbit {

struct CheapSetsOptions {
    // The pattern only ever runs on texts whose decimal digits are all ASCII (withAsciiDigits).
    bool asciiDigits = false;
    // The pattern is compiled case-insensitively (as if it began with '(?i)').
    bool caseInsensitive = false;
};

// An ICU pattern with sets that ICU builds slowly written in forms that match the same and
// compile at a fraction of the cost; the language files hold hundreds of them.
//
// - When asciiDigits, \d becomes \x{30}-\x{39} ('[\d.,]', '[^\d\n]') or a set of them
//   ('\d{6}'), and \D outside sets its complement: on such texts both forms match the same.
//   ICU builds the set of every script's digits afresh for each \d in a set, and for one
//   that can start a match, some 0.3 M instructions apiece, where the range costs next to
//   nothing; it also matches a range faster than it looks up a character's category.
// - \p{L}, \p{Lu} and \p{Ll}, where case is not ignored, become a binary property (ID_Start,
//   Uppercase, Lowercase) with the code points in which the two differ taken out or added,
//   both worked out from ICU's own data when first needed, so the set is exactly the same.
//   ICU builds a general category by testing thousands of ranges, 0.4 M instructions for
//   each \p{L}, and keeps a binary property's set ready to copy. Case-insensitive ones stay:
//   ICU closes those over case, which would cost more than it saves.
//
// Conservative: absent (use the pattern as written) when nothing is rewritten or for anything
// it does not follow completely: free-spacing mode, comments, quoted text, \c, one-letter
// properties, nested sets or set operations, a '-' in a set anywhere but between two plain
// characters, an unbalanced bracket or parenthesis.
std::optional<std::string> withCheapSets(std::string_view pattern, CheapSetsOptions options);

}  // namespace nabbit
