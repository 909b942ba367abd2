#include "parser/PatternPrefilter.h"

#include <algorithm>
#include <deque>
#include <unordered_map>

namespace nabbit {

namespace {

icu::UnicodeString folded(const icu::UnicodeString& text) {
    icu::UnicodeString copy(text);
    copy.foldCase();
    return copy;
}

}  // namespace

PatternPrefilter::PatternPrefilter(const std::vector<const Regex*>& patterns) {
    std::unordered_map<std::u16string, std::int32_t> ids;
    for (const Regex* pattern : patterns) {
        std::vector<std::vector<std::int32_t>> clauses;
        for (const auto& clause : requiredText(pattern->source()).clauses) {
            std::vector<std::int32_t> atoms;
            for (const auto& atom : clause) {
                auto [it, inserted] =
                    ids.try_emplace(atom, static_cast<std::int32_t>(atoms_.size()));
                if (inserted) {
                    atoms_.push_back(atom);
                }
                atoms.push_back(it->second);
            }
            clauses.push_back(std::move(atoms));
        }
        patterns_.push_back(std::move(clauses));
    }
    build(atoms_);
}

void PatternPrefilter::build(const std::vector<std::u16string>& atoms) {
    nodes_.assign(1, Node{});
    std::vector<std::vector<std::int32_t>> own(1);
    for (std::size_t a = 0; a < atoms.size(); ++a) {
        std::int32_t node = 0;
        for (const char16_t unit : atoms[a]) {
            auto& next = nodes_[static_cast<std::size_t>(node)].next;
            auto it = std::lower_bound(next.begin(), next.end(), unit,
                                       [](const auto& edge, char16_t u) { return edge.first < u; });
            if (it != next.end() && it->first == unit) {
                node = it->second;
                continue;
            }
            const auto created = static_cast<std::int32_t>(nodes_.size());
            next.insert(it, {unit, created});
            nodes_.emplace_back();
            own.emplace_back();
            node = created;
        }
        own[static_cast<std::size_t>(node)].push_back(static_cast<std::int32_t>(a));
    }

    rootNext_.assign(kDirect, -1);
    for (const auto& [unit, target] : nodes_[0].next) {
        if (unit < kDirect) {
            rootNext_[unit] = target;
        }
    }

    // Failure links breadth first; each node's outputs are its own and its failure node's.
    std::vector<std::vector<std::int32_t>> out(nodes_.size());
    std::deque<std::int32_t> queue;
    for (const auto& edge : nodes_[0].next) {
        nodes_[static_cast<std::size_t>(edge.second)].fail = 0;
        queue.push_back(edge.second);
    }
    out[0] = own[0];
    while (!queue.empty()) {
        const std::int32_t node = queue.front();
        queue.pop_front();
        auto& mine = out[static_cast<std::size_t>(node)];
        mine = own[static_cast<std::size_t>(node)];
        const auto& inherited =
            out[static_cast<std::size_t>(nodes_[static_cast<std::size_t>(node)].fail)];
        mine.insert(mine.end(), inherited.begin(), inherited.end());
        for (const auto& [unit, target] : nodes_[static_cast<std::size_t>(node)].next) {
            std::int32_t f = nodes_[static_cast<std::size_t>(node)].fail;
            std::int32_t next = child(f, unit);
            while (next < 0 && f != 0) {
                f = nodes_[static_cast<std::size_t>(f)].fail;
                next = child(f, unit);
            }
            nodes_[static_cast<std::size_t>(target)].fail = next < 0 ? 0 : next;
            queue.push_back(target);
        }
    }
    outputs_.clear();
    for (std::size_t n = 0; n < nodes_.size(); ++n) {
        nodes_[n].outBegin = static_cast<std::int32_t>(outputs_.size());
        outputs_.insert(outputs_.end(), out[n].begin(), out[n].end());
        nodes_[n].outEnd = static_cast<std::int32_t>(outputs_.size());
    }
}

std::int32_t PatternPrefilter::child(std::int32_t node, char16_t unit) const {
    if (node == 0 && unit < kDirect && !rootNext_.empty()) {
        return rootNext_[unit];
    }
    const auto& next = nodes_[static_cast<std::size_t>(node)].next;
    if (next.size() <= 4) {
        for (const auto& edge : next) {
            if (edge.first == unit) {
                return edge.second;
            }
        }
        return -1;
    }
    const auto it = std::lower_bound(next.begin(), next.end(), unit,
                                     [](const auto& edge, char16_t u) { return edge.first < u; });
    return it != next.end() && it->first == unit ? it->second : -1;
}

bool PatternPrefilter::alwaysRuns(std::size_t pattern) const {
    return pattern >= patterns_.size() || patterns_[pattern].empty();
}

PatternPrefilter::Found PatternPrefilter::scan(const icu::UnicodeString& text) const {
    Found found;
    found.bits_.assign((atoms_.size() + 63) / 64, 0);
    if (atoms_.empty()) {
        return found;
    }
    const icu::UnicodeString f = folded(text);
    const char16_t* units = f.getBuffer();
    std::int32_t state = 0;
    for (int32_t i = 0; i < f.length(); ++i) {
        const char16_t unit = units[i];
        while (true) {
            const std::int32_t next = child(state, unit);
            if (next >= 0) {
                state = next;
                break;
            }
            if (state == 0) {
                break;
            }
            state = nodes_[static_cast<std::size_t>(state)].fail;
        }
        const Node& node = nodes_[static_cast<std::size_t>(state)];
        for (std::int32_t o = node.outBegin; o < node.outEnd; ++o) {
            const auto atom = static_cast<std::size_t>(outputs_[static_cast<std::size_t>(o)]);
            found.bits_[atom / 64] |= std::uint64_t{1} << (atom % 64);
        }
    }
    return found;
}

bool PatternPrefilter::mayMatch(std::size_t pattern, const Found& found) const {
    if (alwaysRuns(pattern)) {
        return true;
    }
    for (const auto& clause : patterns_[pattern]) {
        const bool any = std::any_of(clause.begin(), clause.end(), [&](std::int32_t atom) {
            const auto a = static_cast<std::size_t>(atom);
            return (found.bits_[a / 64] >> (a % 64)) & 1;
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
