#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nabbit {

// Service names looked for as whole words of a lower-cased UTF-8 text: a name counts only
// where the characters just before and after it are not ASCII letters or digits (or are the
// ends of the text), so 'ee' is not found in 'keep' nor 'chase' in 'purchase'. The name
// listed first wins, wherever it stands in the text.
class NameTable {
  public:
    explicit NameTable(std::vector<std::string> names);

    std::optional<std::string_view> firstWholeWord(std::string_view text) const;
    const std::vector<std::string>& names() const { return names_; }

  private:
    std::vector<std::string> names_;
    // Name indexes by first byte, ascending: the text is walked once, not once per name.
    std::array<std::vector<std::uint32_t>, 256> byFirstByte_;
};

// Well-known service names, searched in this order as whole words of the lower-cased
// message; the first one found names the service. A longer name listed before a shorter one
// it starts with ('ubereats' before 'uber') wins; listed after it ('apple pay' after
// 'apple'), it is never reached.
const std::array<std::string_view, 136>& knownServices();

// The first entry of the table (in table order, not text order) that stands in the UTF-8
// text as a whole word.
std::optional<std::string_view> firstKnownService(std::string_view text);

}  // namespace nabbit
