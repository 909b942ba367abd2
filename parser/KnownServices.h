#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "parser/MultiStringSearch.h"

namespace nabbit {

// Service names looked for as whole words of a lower-cased UTF-8 text: a name counts only
// where the characters just before and after it are not ASCII letters or digits (or are the
// ends of the text), so 'ee' is not found in 'keep' nor 'chase' in 'purchase'. The name
// listed first wins, wherever it stands in the text.
class NameTable {
  public:
    explicit NameTable(std::vector<std::string> names);

    std::optional<std::string_view> firstWholeWord(std::string_view utf8Text) const;
    std::optional<std::string_view> firstWholeWord(std::u16string_view text) const;
    const std::vector<std::string>& names() const { return names_; }

  private:
    std::vector<std::string> names_;
    std::vector<std::size_t> lengths_;  // in UTF-16 units
    // Every name's occurrences in one pass over the text.
    MultiStringSearch search_;
};

// Well-known service names, searched in this order as whole words of the lower-cased
// message; the first one found names the service. A longer name listed before a shorter one
// it starts with ('ubereats' before 'uber') wins; listed after it ('apple pay' after
// 'apple'), it is never reached.
const std::array<std::string_view, 136>& knownServices();

// The first entry of the table (in table order, not text order) that stands in the text as a
// whole word.
std::optional<std::string_view> firstKnownService(std::string_view utf8Text);
std::optional<std::string_view> firstKnownService(std::u16string_view text);

}  // namespace nabbit
