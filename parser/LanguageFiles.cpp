#include "parser/LanguageFiles.h"

#include <algorithm>
#include <iterator>

#include "parser/LanguageFileIndex.h"

namespace nabbit {

const std::array<std::string_view, 6>& languageFileNames() {
    static constexpr std::array<std::string_view, 6> names{"en.json", "fr.json", "zh.json",
                                                           "es.json", "de.json", "pt.json"};
    return names;
}

std::vector<std::string> allLanguageFileNames(const ResourceLocator& locator) {
    const auto& first = languageFileNames();
    std::vector<std::string> names(first.begin(), first.end());
    for (auto& name : locator.fileNames(".json")) {
        if (name != "custom-patterns.json" &&
            std::find(first.begin(), first.end(), name) == first.end()) {
            names.push_back(std::move(name));
        }
    }
    return names;
}

LanguageFile loadLanguageFiles(const ResourceLocator& locator) {
    // Files the index holds need no decoding; the others (overrides, edits) are read as JSON.
    const auto index = locator.resources().empty()
                           ? std::nullopt
                           : LanguageFileIndex::load(locator.resources() / kLanguageFileIndexName);
    LanguageFile merged;
    for (const auto& name : allLanguageFileNames(locator)) {
        const auto location = locator.find(name);
        if (!location) {
            continue;
        }
        const auto contents = ResourceLocator::readFile(*location);
        if (!contents) {
            continue;
        }
        auto file = index ? index->find(*contents) : std::nullopt;
        if (!file) {
            file = decodeLanguageFile(*contents);
        }
        if (!file) {
            continue;
        }
        merged.keywords.merge(file->keywords);
        merged.patterns.insert(merged.patterns.end(),
                               std::make_move_iterator(file->patterns.begin()),
                               std::make_move_iterator(file->patterns.end()));
        merged.patternFileEnds.push_back(merged.patterns.size());
        merged.exclusions.insert(merged.exclusions.end(),
                                 std::make_move_iterator(file->exclusions.begin()),
                                 std::make_move_iterator(file->exclusions.end()));
        for (auto& service : file->services) {
            if (std::find(merged.services.begin(), merged.services.end(), service) ==
                merged.services.end()) {
                merged.services.push_back(std::move(service));
            }
        }
    }
    return merged;
}

}  // namespace nabbit
