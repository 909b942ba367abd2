#include "parser/PatternPrefilter.h"

#include <string_view>
#include <unordered_map>
#include <utility>

namespace nabbit {

namespace {

bool test(const std::vector<std::uint64_t>& bits, std::size_t i) {
    return (bits[i / 64] >> (i % 64)) & 1;
}

void set(std::vector<std::uint64_t>& bits, std::size_t i) {
    bits[i / 64] |= std::uint64_t{1} << (i % 64);
}

}  // namespace

namespace {

std::vector<const RequiredText*> requiredOf(const std::vector<const Regex*>& patterns) {
    std::vector<const RequiredText*> required;
    required.reserve(patterns.size());
    for (const Regex* pattern : patterns) {
        required.push_back(&pattern->requiredText());
    }
    return required;
}

}  // namespace

PatternPrefilter::PatternPrefilter(const std::vector<const Regex*>& patterns)
    : PatternPrefilter(requiredOf(patterns)) {}

PatternPrefilter::PatternPrefilter(const std::vector<const RequiredText*>& required) {
    // Strings are looked up by view: the required texts outlive the construction.
    std::unordered_map<std::u16string_view, std::int32_t> ids;
    std::vector<std::u16string> strings;
    // Each (string, clause) listing, to be grouped by string below.
    std::vector<std::pair<std::int32_t, std::int32_t>> listings;
    std::size_t listingCount = 0;
    for (const RequiredText* text : required) {
        for (const auto& alternatives : text->clauses) {
            listingCount += alternatives.size();
        }
    }
    ids.reserve(listingCount);
    strings.reserve(listingCount);
    listings.reserve(listingCount);
    std::int32_t clause = 0;
    for (const RequiredText* text : required) {
        for (const auto& alternatives : text->clauses) {
            for (const auto& string : alternatives) {
                auto [it, inserted] =
                    ids.try_emplace(string, static_cast<std::int32_t>(strings.size()));
                if (inserted) {
                    strings.push_back(string);
                }
                listings.emplace_back(it->second, clause);
            }
            ++clause;
            clausePattern_.push_back(static_cast<std::uint32_t>(clauseBegin_.size() - 1));
        }
        clauseBegin_.push_back(static_cast<std::size_t>(clause));
    }
    // The clauses of each string, in one array (a counting sort keeps their order).
    stringClauseBegin_.assign(strings.size() + 1, 0);
    for (const auto& [string, _] : listings) {
        ++stringClauseBegin_[static_cast<std::size_t>(string) + 1];
    }
    for (std::size_t i = 1; i < stringClauseBegin_.size(); ++i) {
        stringClauseBegin_[i] += stringClauseBegin_[i - 1];
    }
    stringClauses_.resize(listings.size());
    std::vector<std::uint32_t> next(stringClauseBegin_.begin(), stringClauseBegin_.end() - 1);
    for (const auto& [string, listed] : listings) {
        stringClauses_[next[static_cast<std::size_t>(string)]++] = listed;
    }
    search_ = MultiStringSearch(std::move(strings));
    alwaysRun_.assign((size() + 63) / 64, 0);
    for (std::size_t pattern = 0; pattern < size(); ++pattern) {
        if (alwaysRuns(pattern)) {
            set(alwaysRun_, pattern);
        }
    }
}

bool PatternPrefilter::alwaysRuns(std::size_t pattern) const {
    return pattern + 1 >= clauseBegin_.size() || clauseBegin_[pattern] == clauseBegin_[pattern + 1];
}

PatternPrefilter::Found PatternPrefilter::scan(const icu::UnicodeString& text) const {
    if (stringClauseBegin_.size() <= 1) {
        return scanFolded({});
    }
    icu::UnicodeString folded(text);
    folded.foldCase();
    return scanFolded(
        std::u16string_view(folded.getBuffer(), static_cast<std::size_t>(folded.length())));
}

PatternPrefilter::Found PatternPrefilter::scanFolded(std::u16string_view folded) const {
    Found found;
    found.size_ = size();
    found.clauses_.assign((clauseBegin_.back() + 63) / 64, 0);
    const std::size_t strings = stringClauseBegin_.size() - 1;
    found.strings_.assign((strings + 63) / 64, 0);
    found.patterns_ = alwaysRun_;
    if (strings == 0) {
        return found;
    }
    found.satisfied_.assign(size(), 0);
    search_.eachIn(folded, [&](std::size_t string, std::size_t) {
        if (test(found.strings_, string)) {
            return;
        }
        set(found.strings_, string);
        for (std::uint32_t i = stringClauseBegin_[string]; i < stringClauseBegin_[string + 1];
             ++i) {
            const auto c = static_cast<std::size_t>(stringClauses_[i]);
            if (test(found.clauses_, c)) {
                continue;
            }
            set(found.clauses_, c);
            // A pattern may match once every one of its clauses is satisfied.
            const std::uint32_t pattern = clausePattern_[c];
            if (++found.satisfied_[pattern] == clauseBegin_[pattern + 1] - clauseBegin_[pattern]) {
                set(found.patterns_, pattern);
            }
        }
    });
    return found;
}

bool PatternPrefilter::mayMatch(std::size_t pattern, const Found& found) const {
    return pattern >= size() || found.mayMatch(pattern);
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
