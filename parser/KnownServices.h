#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace nabbit {

// Well-known service names, searched in this order as substrings of the lower-cased message;
// the first one found names the service. A longer name listed before a shorter one it
// contains ('ubereats' before 'uber') wins; listed after it ('apple pay' after 'apple'), it
// is never reached.
const std::array<std::string_view, 136>& knownServices();

// The first entry of the table (in table order, not text order) that the UTF-8 text contains.
std::optional<std::string_view> firstKnownService(std::string_view text);

}  // namespace nabbit
