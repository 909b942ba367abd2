#include "parser/KeywordGate.h"

#include <algorithm>

#include "parser/UnicodeText.h"

namespace nabbit {

KeywordGate::KeywordGate(const std::set<std::string>& keywords) {
    for (const auto& keyword : keywords) {
        const icu::UnicodeString utf16 = fromUtf8(keyword);
        if (utf16.isEmpty()) {
            matchesEverything_ = true;
            continue;
        }
        std::u16string units(utf16.getBuffer(), static_cast<std::size_t>(utf16.length()));
        const char16_t first = units.front();
        if (first < kAscii) {
            if (units.size() == 1 || units[1] >= kAscii) {
                // Any follower may complete it.
                for (std::size_t next = 0; next < kAscii; ++next) {
                    asciiStarts_.set(first * kAscii + next);
                }
            } else {
                asciiStarts_.set(first * kAscii + units[1]);
            }
            ascii_[first].push_back(std::move(units));
        } else {
            other_[first].push_back(std::move(units));
        }
    }
}

const std::vector<std::u16string>* KeywordGate::bucket(char16_t first) const {
    if (first < kAscii) {
        return ascii_[first].empty() ? nullptr : &ascii_[first];
    }
    const auto it = other_.find(first);
    return it == other_.end() ? nullptr : &it->second;
}

bool KeywordGate::matches(const icu::UnicodeString& text) const {
    if (matchesEverything_) {
        return true;
    }
    const std::u16string_view units(text.getBuffer(), static_cast<std::size_t>(text.length()));
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char16_t unit = units[i];
        if (unit < kAscii) {
            const char16_t next = i + 1 < units.size() ? units[i + 1] : u'\0';
            // Only a one-unit keyword can match at the very end; it set every pair.
            if (next < kAscii && !asciiStarts_.test(unit * kAscii + next)) {
                continue;
            }
        }
        const auto* candidates = bucket(unit);
        if (candidates == nullptr) {
            continue;
        }
        const std::u16string_view rest = units.substr(i);
        if (std::any_of(candidates->begin(), candidates->end(),
                        [&](const std::u16string& keyword) { return rest.starts_with(keyword); })) {
            return true;
        }
    }
    return false;
}

}  // namespace nabbit
