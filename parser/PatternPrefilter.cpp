#include "parser/PatternPrefilter.h"

#include <string_view>
#include <unordered_map>

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

std::vector<std::string> sourcesOf(const std::vector<const Regex*>& patterns) {
    std::vector<std::string> sources;
    sources.reserve(patterns.size());
    for (const Regex* pattern : patterns) {
        sources.push_back(pattern->source());
    }
    return sources;
}

}  // namespace

PatternPrefilter::PatternPrefilter(const std::vector<const Regex*>& patterns)
    : PatternPrefilter(sourcesOf(patterns)) {}

PatternPrefilter::PatternPrefilter(const std::vector<std::string>& sources) {
    std::unordered_map<std::u16string, std::int32_t> ids;
    std::vector<std::u16string> strings;
    std::int32_t clause = 0;
    for (const std::string& source : sources) {
        for (const auto& required : requiredText(source).clauses) {
            for (const auto& string : required) {
                auto [it, inserted] =
                    ids.try_emplace(string, static_cast<std::int32_t>(strings.size()));
                if (inserted) {
                    strings.push_back(string);
                    stringClauses_.emplace_back();
                }
                stringClauses_[static_cast<std::size_t>(it->second)].push_back(clause);
            }
            ++clause;
        }
        clauseBegin_.push_back(static_cast<std::size_t>(clause));
    }
    search_ = MultiStringSearch(strings);
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
    found.clauses_.assign((clauseBegin_.back() + 63) / 64, 0);
    found.strings_.assign((stringClauses_.size() + 63) / 64, 0);
    if (stringClauses_.empty()) {
        return found;
    }
    search_.eachIn(folded, [&](std::size_t string, std::size_t) {
        if (test(found.strings_, string)) {
            return;
        }
        set(found.strings_, string);
        for (const std::int32_t clause : stringClauses_[string]) {
            set(found.clauses_, static_cast<std::size_t>(clause));
        }
    });
    return found;
}

bool PatternPrefilter::mayMatch(std::size_t pattern, const Found& found) const {
    if (alwaysRuns(pattern)) {
        return true;
    }
    for (std::size_t c = clauseBegin_[pattern]; c < clauseBegin_[pattern + 1]; ++c) {
        if (!test(found.clauses_, c)) {
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
