#include "parser/PatternPrefilter.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

namespace nabbit {

PatternPrefilter::PatternPrefilter(const std::vector<const Regex*>& patterns) {
    std::unordered_map<std::u16string, std::int32_t> ids;
    std::vector<std::u16string> strings;
    for (const Regex* pattern : patterns) {
        std::vector<std::vector<std::int32_t>> clauses;
        for (const auto& clause : requiredText(pattern->source()).clauses) {
            std::vector<std::int32_t> indexes;
            for (const auto& string : clause) {
                auto [it, inserted] =
                    ids.try_emplace(string, static_cast<std::int32_t>(strings.size()));
                if (inserted) {
                    strings.push_back(string);
                }
                indexes.push_back(it->second);
            }
            clauses.push_back(std::move(indexes));
        }
        patterns_.push_back(std::move(clauses));
    }
    strings_ = strings.size();
    search_ = MultiStringSearch(strings);
}

bool PatternPrefilter::alwaysRuns(std::size_t pattern) const {
    return pattern >= patterns_.size() || patterns_[pattern].empty();
}

PatternPrefilter::Found PatternPrefilter::scan(const icu::UnicodeString& text) const {
    Found found;
    found.bits_.assign((strings_ + 63) / 64, 0);
    if (strings_ == 0) {
        return found;
    }
    icu::UnicodeString folded(text);
    folded.foldCase();
    search_.eachIn(
        std::u16string_view(folded.getBuffer(), static_cast<std::size_t>(folded.length())),
        [&](std::size_t string) { found.bits_[string / 64] |= std::uint64_t{1} << (string % 64); });
    return found;
}

bool PatternPrefilter::mayMatch(std::size_t pattern, const Found& found) const {
    if (alwaysRuns(pattern)) {
        return true;
    }
    for (const auto& clause : patterns_[pattern]) {
        const bool any = std::any_of(clause.begin(), clause.end(), [&](std::int32_t string) {
            const auto s = static_cast<std::size_t>(string);
            return (found.bits_[s / 64] >> (s % 64)) & 1;
        });
        if (!any) {
            return false;
        }
    }
    return true;
}

bool PatternPrefilter::Lazy::mayMatch(std::size_t pattern) {
    if (filter_.alwaysRuns(pattern)) {
        return true;
    }
    if (!found_) {
        found_ = filter_.scan(text_);
    }
    return filter_.mayMatch(pattern, *found_);
}

}  // namespace nabbit
