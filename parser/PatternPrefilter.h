#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <unicode/unistr.h>

#include "parser/MultiStringSearch.h"
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
    // The same from what each pattern requires.
    explicit PatternPrefilter(const std::vector<const RequiredText*>& required);

    // The clauses a text satisfies (one of their strings occurs in it), and the patterns
    // whose clauses it all satisfies (or that have none).
    class Found {
      public:
        bool mayMatch(std::size_t pattern) const {
            return pattern >= size_ || ((patterns_[pattern / 64] >> (pattern % 64)) & 1) != 0;
        }

      private:
        friend class PatternPrefilter;
        std::vector<std::uint64_t> clauses_;
        std::vector<std::uint64_t> strings_;
        std::vector<std::uint64_t> patterns_;
        std::vector<std::uint32_t> satisfied_;
        std::size_t size_ = 0;
    };

    std::size_t size() const { return clauseBegin_.size() - 1; }
    // True when the pattern requires no known string, so no scan can rule it out.
    bool alwaysRuns(std::size_t pattern) const;
    Found scan(const icu::UnicodeString& text) const;
    // The same on a text already case-folded.
    Found scanFolded(std::u16string_view folded) const;
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
    // Pattern i's clauses are clauseBegin_[i] .. clauseBegin_[i + 1]; it may match only when
    // each of them is satisfied. A string found satisfies the clauses that list it.
    std::vector<std::size_t> clauseBegin_{0};
    // The pattern each clause belongs to, and the patterns without clauses.
    std::vector<std::uint32_t> clausePattern_;
    std::vector<std::uint64_t> alwaysRun_;
    // String i's clauses are stringClauses_[stringClauseBegin_[i] .. stringClauseBegin_[i + 1]].
    std::vector<std::uint32_t> stringClauseBegin_{0};
    std::vector<std::int32_t> stringClauses_;
    MultiStringSearch search_;
};

}  // namespace nabbit
