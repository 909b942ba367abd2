#include "parser/LanguageFile.h"

#include <nlohmann/json.hpp>

#include "parser/ResourceLocator.h"

namespace nabbit {

namespace {

// The strings of an array member; absent when the member is missing, not an array, or holds
// anything but strings.
std::optional<std::vector<std::string>> stringArray(const nlohmann::json& object, const char* key) {
    const auto member = object.find(key);
    if (member == object.end() || !member->is_array()) {
        return std::nullopt;
    }
    std::vector<std::string> strings;
    strings.reserve(member->size());
    for (const auto& item : *member) {
        if (!item.is_string()) {
            return std::nullopt;
        }
        strings.push_back(item.get_ref<const std::string&>());
    }
    return strings;
}

}  // namespace

std::optional<LanguageFile> decodeLanguageFile(std::string_view json) {
    const auto document = nlohmann::json::parse(json.begin(), json.end(), nullptr, false);
    if (document.is_discarded() || !document.is_object()) {
        return std::nullopt;
    }
    auto keywords = stringArray(document, "keywords");
    auto patterns = stringArray(document, "patterns");
    if (!keywords || !patterns) {
        return std::nullopt;
    }
    LanguageFile file;
    file.keywords.insert(keywords->begin(), keywords->end());
    for (const auto& source : *patterns) {
        if (auto regex = Regex::compile(source, RegexOptions{.bounded = true})) {
            file.patterns.push_back(*std::move(regex));
        }
    }
    return file;
}

std::optional<LanguageFile> loadLanguageFile(const std::filesystem::path& location) {
    const auto contents = ResourceLocator::readFile(location);
    if (!contents) {
        return std::nullopt;
    }
    return decodeLanguageFile(*contents);
}

}  // namespace nabbit
