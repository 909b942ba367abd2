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
    std::unordered_map<std::u16string, std::int32_t> ids;
    std::vector<std::u16string> strings;
    std::int32_t clause = 0;
    for (const RequiredText* text : required) {
        for (const auto& alternatives : text->clauses) {
            for (const auto& string : alternatives) {
                auto [it, inserted] =
                    ids.try_emplace(string, static_cast<std::int32_t>(strings.size()));
                if (inserted) {
                    strings.push_back(string);
                    stringClauses_.emplace_back();
                }
                stringClauses_[static_cast<std::size_t>(it->second)].push_back(clause);
            }
            ++clause;
            clausePattern_.push_back(static_cast<std::uint32_t>(clauseBegin_.size() - 1));
        }
        clauseBegin_.push_back(static_cast<std::size_t>(clause));
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
    if (stringClauses_.empty()) {
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
    found.strings_.assign((stringClauses_.size() + 63) / 64, 0);
    found.patterns_ = alwaysRun_;
    if (stringClauses_.empty()) {
        return found;
    }
    found.satisfied_.assign(size(), 0);
    search_.eachIn(folded, [&](std::size_t string, std::size_t) {
        if (test(found.strings_, string)) {
            return;
        }
        set(found.strings_, string);
        for (const std::int32_t clause : stringClauses_[string]) {
            const auto c = static_cast<std::size_t>(clause);
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
