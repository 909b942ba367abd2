#include "parser/MultiStringSearch.h"

#include <algorithm>

namespace nabbit {

namespace {

auto byUnit() {
    return [](const std::pair<char16_t, std::int32_t>& edge, char16_t unit) {
        return edge.first < unit;
    };
}

}  // namespace

namespace {

// Building costs roughly this many string-by-string comparisons per unit of the strings.
constexpr std::int64_t kBuildCostPerUnit = 32;

}  // namespace

MultiStringSearch::Shared::Shared(std::vector<std::u16string> list)
    : strings(std::move(list)),
      budget([this] {
          std::int64_t units = 0;
          for (const auto& string : strings) {
              units += static_cast<std::int64_t>(string.size());
          }
          return kBuildCostPerUnit * units;
      }()),
      automaton([this] { return Automaton(strings); }) {}

MultiStringSearch::MultiStringSearch(std::vector<std::u16string> strings) {
    if (std::any_of(strings.begin(), strings.end(), [](const auto& s) { return !s.empty(); })) {
        shared_ = std::make_shared<Shared>(std::move(strings));
    }
}

bool MultiStringSearch::automatonBuilt() const {
    return shared_ && shared_->automaton.isMade();
}

const MultiStringSearch::Automaton* MultiStringSearch::automatonFor(std::size_t textSize) const {
    if (shared_->automaton.isMade()) {
        return &shared_->automaton.get();
    }
    const auto cost = static_cast<std::int64_t>(shared_->strings.size() * textSize);
    if (shared_->budget.fetch_sub(cost, std::memory_order_relaxed) - cost < 0) {
        return &shared_->automaton.get();
    }
    return nullptr;
}

bool MultiStringSearch::anyIn(std::u16string_view text) const {
    if (!shared_) {
        return false;
    }
    if (const Automaton* automaton = automatonFor(text.size())) {
        return automaton->anyIn(text);
    }
    return std::any_of(shared_->strings.begin(), shared_->strings.end(), [&](const auto& s) {
        return !s.empty() && text.find(s) != std::u16string_view::npos;
    });
}

MultiStringSearch::Automaton::Automaton(const std::vector<std::u16string>& strings) {
    std::size_t units = 1;
    for (const auto& string : strings) {
        units += string.size();
    }
    nodes_.reserve(units);
    nodes_.assign(1, Node{});
    // The strings ending at each node, as a list through nextOwn (few nodes end one).
    std::vector<std::int32_t> firstOwn(1, -1);
    std::vector<std::int32_t> nextOwn(strings.size(), -1);
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
            firstOwn.push_back(-1);
            node = created;
        }
        auto& first = firstOwn[static_cast<std::size_t>(node)];
        // Appended at the end of the node's list, so its strings keep their order.
        if (first < 0) {
            first = static_cast<std::int32_t>(s);
        } else {
            std::int32_t last = first;
            while (nextOwn[static_cast<std::size_t>(last)] >= 0) {
                last = nextOwn[static_cast<std::size_t>(last)];
            }
            nextOwn[static_cast<std::size_t>(last)] = static_cast<std::int32_t>(s);
        }
    }

    // The direct table reaches only as far as the root's last unit below kDirect: most sets
    // start with ASCII, and a full table is 49 kB of fresh pages for every search built.
    std::size_t direct = 0;
    for (const auto& edge : nodes_[0].next) {
        if (edge.first < kDirect) {
            direct = static_cast<std::size_t>(edge.first) + 1;
        }
    }
    rootNext_.assign(direct, -1);
    for (const auto& [unit, target] : nodes_[0].next) {
        if (unit < kDirect) {
            rootNext_[unit] = target;
        }
    }

    // Failure links breadth first, so a node's failure node is complete before it; a node's
    // outputs are its own strings, then those of its failure node.
    std::vector<std::int32_t> queue;
    queue.reserve(nodes_.size());
    for (const auto& edge : nodes_[0].next) {
        queue.push_back(edge.second);
    }
    for (std::size_t head = 0; head < queue.size(); ++head) {
        const auto n = static_cast<std::size_t>(queue[head]);
        Node& node = nodes_[n];
        node.outBegin = static_cast<std::int32_t>(outputs_.size());
        for (std::int32_t s = firstOwn[n]; s >= 0; s = nextOwn[static_cast<std::size_t>(s)]) {
            outputs_.push_back(s);
        }
        const Node& failure = nodes_[static_cast<std::size_t>(node.fail)];
        for (std::int32_t o = failure.outBegin; o < failure.outEnd; ++o) {
            const std::int32_t inherited = outputs_[static_cast<std::size_t>(o)];
            outputs_.push_back(inherited);
        }
        node.outEnd = static_cast<std::int32_t>(outputs_.size());
        for (const auto& [unit, target] : node.next) {
            std::int32_t fail = node.fail;
            std::int32_t next = child(fail, unit);
            while (next < 0 && fail != 0) {
                fail = nodes_[static_cast<std::size_t>(fail)].fail;
                next = child(fail, unit);
            }
            nodes_[static_cast<std::size_t>(target)].fail = next < 0 ? 0 : next;
            queue.push_back(target);
        }
    }
}

std::int32_t MultiStringSearch::Automaton::child(std::int32_t node, char16_t unit) const {
    if (node == 0 && unit < kDirect) {
        return unit < rootNext_.size() ? rootNext_[unit] : -1;
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

bool MultiStringSearch::Automaton::anyIn(std::u16string_view text) const {
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
