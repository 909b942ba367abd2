#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace nabbit {

// Text that every match of a pattern needs: the case-folded text holds at least one string
// of each clause wherever the pattern matches (strings are case-folded too, so letter case
// in the pattern and its (?i) parts do not matter). No clauses: nothing is known and the
// pattern has to be run.
//
// Read from the pattern source conservatively: a construct that is not understood, or a
// pattern in free-spacing mode, requires nothing. Used to pass over patterns that cannot
// match a text without running them.
struct RequiredText {
    std::vector<std::vector<std::u16string>> clauses;
};

RequiredText requiredText(std::string_view icuPattern);

}  // namespace nabbit
