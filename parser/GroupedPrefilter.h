#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <unicode/unistr.h>

#include "parser/OnFirstUse.h"
#include "parser/PatternPrefilter.h"
#include "parser/Regex.h"

namespace nabbit {

// A PatternPrefilter over a list of patterns cut into consecutive groups (a language file's
// patterns, the exclusions), each group's filter built when a text first asks about one of
// its patterns. Reading the required text of every pattern costs milliseconds; a text that a
// first language's pattern decides needs only that language's. Once texts have needed every
// group (a program that parses many), one filter over the whole list takes over, so that a
// text is scanned once instead of once per group. Answers are those of one PatternPrefilter
// over the whole list. Immutable once built; safe from any thread.
class GroupedPrefilter {
  public:
    // groupEnds: where each group ends, ascending; patterns past the last end form one more.
    GroupedPrefilter(std::vector<Regex> patterns, const std::vector<std::size_t>& groupEnds);
    // The groups' builders refer to the patterns held here.
    GroupedPrefilter(const GroupedPrefilter&) = delete;
    GroupedPrefilter& operator=(const GroupedPrefilter&) = delete;

    std::size_t size() const { return groupOf_.size(); }
    // How many groups have built their filter so far.
    std::size_t builtGroups() const;

    // Answers for one text, scanning it for a group when one of the group's patterns is
    // first asked about.
    class Lazy {
      public:
        Lazy(const GroupedPrefilter& filter, const icu::UnicodeString& text);
        bool mayMatch(std::size_t pattern) {
            // Asked for every pattern of every text: once the whole filter has scanned the
            // text, an answer is a bit test.
            return whole_ && wholeFound_ ? wholeFound_->mayMatch(pattern) : scanAndAsk(pattern);
        }

      private:
        bool scanAndAsk(std::size_t pattern);
        std::u16string_view folded();

        const GroupedPrefilter& filter_;
        const icu::UnicodeString& text_;
        const bool whole_;
        std::optional<icu::UnicodeString> folded_;
        std::vector<std::optional<PatternPrefilter::Found>> found_;
        std::optional<PatternPrefilter::Found> wholeFound_;
    };

  private:
    struct Group {
        std::size_t begin = 0;
        std::unique_ptr<OnFirstUse<PatternPrefilter>> filter;
    };

    // Whether every group has been built; then the whole filter is used.
    bool allGroupsBuilt() const;

    std::vector<Regex> patterns_;
    std::vector<Group> groups_;
    std::vector<std::size_t> groupOf_;
    OnFirstUse<PatternPrefilter> whole_;
    mutable std::atomic<bool> allBuilt_{false};
};

}  // namespace nabbit
