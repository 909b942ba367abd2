#pragma once

#include <string>
#include <unordered_set>

namespace nabbit {

// English and French filler words that a service-name pattern may pick up ('code from the
// bank'); such a word is never a service name. Built once per process on first use.
const std::unordered_set<std::string>& stopWords();

}  // namespace nabbit
