#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include <unicode/unistr.h>

#include "parser/Regex.h"
#include "parser/RequiredText.h"

namespace nabbit {

// Tells, for a text, which of a list of patterns cannot match it, from the strings each
// pattern's matches require (requiredText). One pass over the case-folded text finds every
// required string of every pattern at once, so passing over a pattern costs a few bit tests
// instead of a regex search. The answer is never wrong in the harmful direction: a pattern
// it passes over has no match in the text; one it lets through may still have none.
class PatternPrefilter {
  public:
    PatternPrefilter() = default;
    explicit PatternPrefilter(const std::vector<const Regex*>& patterns);

    // The required strings found in one text.
    class Found {
      private:
        friend class PatternPrefilter;
        std::vector<std::uint64_t> bits_;
    };

    std::size_t size() const { return patterns_.size(); }
    // True when the pattern requires no known string, so no scan can rule it out.
    bool alwaysRuns(std::size_t pattern) const;
    Found scan(const icu::UnicodeString& text) const;
    bool mayMatch(std::size_t pattern, const Found& found) const;

    // Scans a text only when a pattern first needs it.
    class Lazy {
      public:
        Lazy(const PatternPrefilter& filter, const icu::UnicodeString& text)
            : filter_(filter), text_(text) {}
        bool mayMatch(std::size_t pattern);

      private:
        const PatternPrefilter& filter_;
        const icu::UnicodeString& text_;
        std::optional<Found> found_;
    };

  private:
    struct Node {
        std::vector<std::pair<char16_t, std::int32_t>> next;  // sorted by unit
        std::int32_t fail = 0;
        std::int32_t outBegin = 0;
        std::int32_t outEnd = 0;
    };
    // Units below this have a direct entry at the root.
    static constexpr char16_t kDirect = 0x3100;

    std::int32_t child(std::int32_t node, char16_t unit) const;
    void build(const std::vector<std::u16string>& atoms);

    // Per pattern, its clauses as atom ids; a pattern may match only when every clause has
    // an atom in the text.
    std::vector<std::vector<std::vector<std::int32_t>>> patterns_;
    std::vector<std::u16string> atoms_;
    std::vector<Node> nodes_;
    std::vector<std::int32_t> rootNext_;
    std::vector<std::int32_t> outputs_;
};

}  // namespace nabbit
