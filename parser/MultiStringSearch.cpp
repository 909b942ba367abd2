#include "parser/MultiStringSearch.h"

#include <algorithm>
#include <deque>

namespace nabbit {

namespace {

auto byUnit() {
    return [](const std::pair<char16_t, std::int32_t>& edge, char16_t unit) {
        return edge.first < unit;
    };
}

}  // namespace

MultiStringSearch::MultiStringSearch(const std::vector<std::u16string>& strings) {
    nodes_.assign(1, Node{});
    std::vector<std::vector<std::int32_t>> own(1);
    for (std::size_t s = 0; s < strings.size(); ++s) {
        if (strings[s].empty()) {
            continue;
        }
        std::int32_t node = 0;
        for (const char16_t unit : strings[s]) {
            auto& next = nodes_[static_cast<std::size_t>(node)].next;
            auto it = std::lower_bound(next.begin(), next.end(), unit, byUnit());
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
        own[static_cast<std::size_t>(node)].push_back(static_cast<std::int32_t>(s));
    }

    rootNext_.assign(kDirect, -1);
    for (const auto& [unit, target] : nodes_[0].next) {
        if (unit < kDirect) {
            rootNext_[unit] = target;
        }
    }

    // Failure links breadth first, so a node's failure node is complete before it.
    std::vector<std::vector<std::int32_t>> out(nodes_.size());
    std::deque<std::int32_t> queue;
    for (const auto& edge : nodes_[0].next) {
        queue.push_back(edge.second);
    }
    while (!queue.empty()) {
        const std::int32_t node = queue.front();
        queue.pop_front();
        const auto n = static_cast<std::size_t>(node);
        out[n] = own[n];
        const auto& inherited = out[static_cast<std::size_t>(nodes_[n].fail)];
        out[n].insert(out[n].end(), inherited.begin(), inherited.end());
        for (const auto& [unit, target] : nodes_[n].next) {
            std::int32_t fail = nodes_[n].fail;
            std::int32_t next = child(fail, unit);
            while (next < 0 && fail != 0) {
                fail = nodes_[static_cast<std::size_t>(fail)].fail;
                next = child(fail, unit);
            }
            nodes_[static_cast<std::size_t>(target)].fail = next < 0 ? 0 : next;
            queue.push_back(target);
        }
    }
    for (std::size_t n = 0; n < nodes_.size(); ++n) {
        nodes_[n].outBegin = static_cast<std::int32_t>(outputs_.size());
        outputs_.insert(outputs_.end(), out[n].begin(), out[n].end());
        nodes_[n].outEnd = static_cast<std::int32_t>(outputs_.size());
    }
}

std::int32_t MultiStringSearch::child(std::int32_t node, char16_t unit) const {
    if (node == 0 && unit < kDirect) {
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
    const auto it = std::lower_bound(next.begin(), next.end(), unit, byUnit());
    return it != next.end() && it->first == unit ? it->second : -1;
}

bool MultiStringSearch::anyIn(std::u16string_view text) const {
    if (nodes_.size() <= 1) {
        return false;
    }
    std::int32_t state = 0;
    for (const char16_t unit : text) {
        state = step(state, unit);
        const Node& node = nodes_[static_cast<std::size_t>(state)];
        if (node.outEnd > node.outBegin) {
            return true;
        }
    }
    return false;
}

}  // namespace nabbit
