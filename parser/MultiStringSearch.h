#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nabbit {

// Finds many strings in a text in one pass (Aho-Corasick over UTF-16 units): the time is
// linear in the text, whatever the number of strings. Immutable after construction.
class MultiStringSearch {
  public:
    MultiStringSearch() = default;
    // Strings are identified by their index; empty strings are ignored.
    explicit MultiStringSearch(const std::vector<std::u16string>& strings);

    // Whether any of the strings occurs in the text.
    bool anyIn(std::u16string_view text) const;

    // Calls found(index, end) for every occurrence of every string, end being the position
    // just after it, in text order of the ends.
    template <class Found>
    void eachIn(std::u16string_view text, Found&& found) const {
        if (nodes_.size() <= 1) {
            return;
        }
        std::int32_t state = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            state = step(state, text[i]);
            const Node& node = nodes_[static_cast<std::size_t>(state)];
            for (std::int32_t o = node.outBegin; o < node.outEnd; ++o) {
                found(static_cast<std::size_t>(outputs_[static_cast<std::size_t>(o)]), i + 1);
            }
        }
    }

  private:
    struct Node {
        std::vector<std::pair<char16_t, std::int32_t>> next;  // sorted by unit
        std::int32_t fail = 0;
        // This node's strings and those of its failure chain, in outputs_.
        std::int32_t outBegin = 0;
        std::int32_t outEnd = 0;
    };
    // Units below this have a direct entry at the root.
    static constexpr char16_t kDirect = 0x3100;

    std::int32_t child(std::int32_t node, char16_t unit) const;
    std::int32_t step(std::int32_t state, char16_t unit) const {
        while (true) {
            const std::int32_t next = child(state, unit);
            if (next >= 0) {
                return next;
            }
            if (state == 0) {
                return 0;
            }
            state = nodes_[static_cast<std::size_t>(state)].fail;
        }
    }

    std::vector<Node> nodes_;
    std::vector<std::int32_t> rootNext_;
    std::vector<std::int32_t> outputs_;
};

}  // namespace nabbit
