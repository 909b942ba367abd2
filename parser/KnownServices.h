#pragma once

#include <array>
#include <string_view>

namespace nabbit {

// Well-known service names, searched in this order as substrings of the lower-cased message;
// the first one found names the service. A longer name listed before a shorter one it
// contains ('ubereats' before 'uber') wins; listed after it ('apple pay' after 'apple'), it
// is never reached.
const std::array<std::string_view, 136>& knownServices();

}  // namespace nabbit
