#include "parser/LanguageFiles.h"

#include <iterator>

namespace nabbit {

const std::array<std::string_view, 6>& languageFileNames() {
    static constexpr std::array<std::string_view, 6> names{"en.json", "fr.json", "zh.json",
                                                           "es.json", "de.json", "pt.json"};
    return names;
}

LanguageFile loadLanguageFiles(const ResourceLocator& locator) {
    LanguageFile merged;
    for (std::string_view name : languageFileNames()) {
        const auto location = locator.find(name);
        if (!location) {
            continue;
        }
        auto file = loadLanguageFile(*location);
        if (!file) {
            continue;
        }
        merged.keywords.merge(file->keywords);
        merged.patterns.insert(merged.patterns.end(),
                               std::make_move_iterator(file->patterns.begin()),
                               std::make_move_iterator(file->patterns.end()));
    }
    return merged;
}

}  // namespace nabbit
