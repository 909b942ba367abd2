#include "parser/KeywordGate.h"

#include <string_view>
#include <utility>
#include <vector>

#include "parser/UnicodeText.h"

namespace nabbit {

KeywordGate::KeywordGate(const std::set<std::string>& keywords) {
    std::vector<std::u16string> units;
    units.reserve(keywords.size());
    for (const auto& keyword : keywords) {
        std::u16string utf16 = utf16Of(keyword);
        if (utf16.empty()) {
            matchesEverything_ = true;
            continue;
        }
        units.push_back(std::move(utf16));
    }
    search_ = MultiStringSearch(std::move(units));
}

bool KeywordGate::matches(const icu::UnicodeString& text) const {
    return matchesEverything_ || search_.anyIn(std::u16string_view(
                                     text.getBuffer(), static_cast<std::size_t>(text.length())));
}

}  // namespace nabbit
