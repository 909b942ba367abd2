#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "parser/OnFirstUse.h"

namespace nabbit {

// Finds many strings in a text. The first texts are searched string by string; once the
// searches have cost about what building an automaton costs, one is built (Aho-Corasick over
// UTF-16 units) and every later search is linear in the text, whatever the number of
// strings. So a program that looks at one short text (a command-line call) never pays for the
// automaton, and one that looks at many pays for it once. Immutable to its callers; copies
// share the strings and the automaton; safe from any thread.
class MultiStringSearch {
  public:
    MultiStringSearch() = default;
    // Strings are identified by their index; empty strings are ignored.
    explicit MultiStringSearch(std::vector<std::u16string> strings);

    // Whether any of the strings occurs in the text.
    bool anyIn(std::u16string_view text) const;

    // Calls found(index, end) for every occurrence of every string, end being the position
    // just after it, in text order of the ends (at one end, longer strings first, then in
    // index order).
    template <class Found>
    void eachIn(std::u16string_view text, Found&& found) const {
        if (!shared_) {
            return;
        }
        if (const Automaton* automaton = automatonFor(text.size())) {
            automaton->eachIn(text, found);
            return;
        }
        std::vector<std::pair<std::size_t, std::size_t>> occurrences;
        const auto& strings = shared_->strings;
        for (std::size_t s = 0; s < strings.size(); ++s) {
            const std::u16string& string = strings[s];
            if (string.empty()) {
                continue;
            }
            for (std::size_t at = text.find(string); at != std::u16string_view::npos;
                 at = text.find(string, at + 1)) {
                occurrences.emplace_back(at + string.size(), s);
            }
        }
        std::sort(occurrences.begin(), occurrences.end(), [&](const auto& a, const auto& b) {
            if (a.first != b.first) {
                return a.first < b.first;
            }
            if (strings[a.second].size() != strings[b.second].size()) {
                return strings[a.second].size() > strings[b.second].size();
            }
            return a.second < b.second;
        });
        for (const auto& [end, s] : occurrences) {
            found(s, end);
        }
    }

    // Whether the automaton has been built yet.
    bool automatonBuilt() const;

  private:
    class Automaton {
      public:
        explicit Automaton(const std::vector<std::u16string>& strings);

        bool anyIn(std::u16string_view text) const;
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

    struct Shared {
        explicit Shared(std::vector<std::u16string> list);

        std::vector<std::u16string> strings;
        // Comparisons the string-by-string searches may still make before the automaton
        // is built (about its cost to build).
        std::atomic<std::int64_t> budget;
        OnFirstUse<Automaton> automaton;
    };

    // The automaton, built now if this search would exhaust the budget; null while searching
    // string by string is still the cheaper way.
    const Automaton* automatonFor(std::size_t textSize) const;

    std::shared_ptr<Shared> shared_;
};

}  // namespace nabbit
