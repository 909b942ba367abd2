#pragma once

#include <set>
#include <string>

#include <unicode/unistr.h>

#include "parser/MultiStringSearch.h"

namespace nabbit {

// Tells whether any keyword occurs as a substring of a (lower-cased) text, in one pass over
// the text however many keywords the language files bring.
class KeywordGate {
  public:
    explicit KeywordGate(const std::set<std::string>& keywords);

    bool matches(const icu::UnicodeString& text) const;

  private:
    MultiStringSearch search_;
    // An empty keyword is a substring of every text.
    bool matchesEverything_ = false;
};

}  // namespace nabbit
