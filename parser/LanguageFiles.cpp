#include "parser/LanguageFiles.h"

#include <algorithm>
#include <iterator>
#include <mutex>
#include <unordered_set>

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

namespace {

// The program's own patterns with the required text the index holds, alive for the whole
// process, so that the tables which make the same patterns later share these (Regex states
// are shared by source and options) instead of reading their long sources.
void keepBuiltInPatterns(const LanguageFileIndex& index) {
    static std::once_flag once;
    static std::vector<Regex> kept;
    std::call_once(once, [&] { kept = index.builtInPatterns(); });
}

}  // namespace

LanguageFile loadLanguageFiles(const ResourceLocator& locator) {
    // Files the index holds need no decoding; the others (overrides, edits) are read as JSON.
    const auto index = locator.resources().empty()
                           ? std::nullopt
                           : LanguageFileIndex::load(locator.resources() / kLanguageFileIndexName);
    if (index) {
        keepBuiltInPatterns(*index);
    }
    LanguageFile merged;
    // The services already in `merged` (the files list more than a thousand).
    std::unordered_set<std::string> listed;
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
            if (listed.insert(service).second) {
                merged.services.push_back(std::move(service));
            }
        }
    }
    return merged;
}

}  // namespace nabbit
