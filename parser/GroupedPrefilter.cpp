#include "parser/GroupedPrefilter.h"

#include <string_view>

namespace nabbit {

namespace {

// The required text of each pattern, worked out now where it is not known yet.
PatternPrefilter prefilterOver(const std::vector<Regex>& patterns, std::size_t begin,
                               std::size_t end) {
    std::vector<const Regex*> range;
    range.reserve(end - begin);
    for (std::size_t i = begin; i < end; ++i) {
        range.push_back(&patterns[i]);
    }
    return PatternPrefilter(range);
}

}  // namespace

GroupedPrefilter::GroupedPrefilter(std::vector<Regex> patterns,
                                   const std::vector<std::size_t>& groupEnds)
    : patterns_(std::move(patterns)),
      whole_([this] { return prefilterOver(patterns_, 0, patterns_.size()); }) {
    std::size_t begin = 0;
    auto addGroup = [&](std::size_t end) {
        if (end <= begin || end > patterns_.size()) {
            return;
        }
        groups_.push_back(
            Group{begin, std::make_unique<OnFirstUse<PatternPrefilter>>(
                             [this, begin, end] { return prefilterOver(patterns_, begin, end); })});
        groupOf_.resize(end, groups_.size() - 1);
        begin = end;
    };
    for (const std::size_t end : groupEnds) {
        addGroup(end);
    }
    addGroup(patterns_.size());
}

std::size_t GroupedPrefilter::builtGroups() const {
    std::size_t built = 0;
    for (const auto& group : groups_) {
        built += group.filter->isMade() ? 1 : 0;
    }
    return built;
}

bool GroupedPrefilter::allGroupsBuilt() const {
    if (allBuilt_.load(std::memory_order_acquire)) {
        return true;
    }
    if (builtGroups() < groups_.size()) {
        return false;
    }
    allBuilt_.store(true, std::memory_order_release);
    return true;
}

GroupedPrefilter::Lazy::Lazy(const GroupedPrefilter& filter, const icu::UnicodeString& text)
    : filter_(filter),
      text_(text),
      whole_(filter.allGroupsBuilt()),
      found_(whole_ ? 0 : filter.groups_.size()) {}

std::u16string_view GroupedPrefilter::Lazy::folded() {
    if (!folded_) {
        folded_.emplace(text_);
        folded_->foldCase();
    }
    return {folded_->getBuffer(), static_cast<std::size_t>(folded_->length())};
}

bool GroupedPrefilter::Lazy::scanAndAsk(std::size_t pattern) {
    if (pattern >= filter_.groupOf_.size()) {
        return true;
    }
    if (whole_) {
        const PatternPrefilter& prefilter = filter_.whole_.get();
        if (prefilter.alwaysRuns(pattern)) {
            return true;
        }
        if (!wholeFound_) {
            wholeFound_ = prefilter.scanFolded(folded());
        }
        return prefilter.mayMatch(pattern, *wholeFound_);
    }
    const std::size_t g = filter_.groupOf_[pattern];
    const Group& group = filter_.groups_[g];
    const PatternPrefilter& prefilter = group.filter->get();
    const std::size_t local = pattern - group.begin;
    if (prefilter.alwaysRuns(local)) {
        return true;
    }
    if (!found_[g]) {
        found_[g] = prefilter.scanFolded(folded());
    }
    return prefilter.mayMatch(local, *found_[g]);
}

}  // namespace nabbit
