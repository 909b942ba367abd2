#include "parser/LanguageFile.h"

#include <algorithm>

#include <unicode/uchar.h>
#include <nlohmann/json.hpp>

#include "parser/ResourceLocator.h"
#include "parser/UnicodeText.h"

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

// An optional member: absent gives an empty array, a wrong type fails like a required one.
std::optional<std::vector<std::string>> optionalStringArray(const nlohmann::json& object,
                                                            const char* key) {
    if (!object.contains(key)) {
        return std::vector<std::string>{};
    }
    return stringArray(object, key);
}

// Compiled when a text first needs them: most texts need few of a language's patterns, and a
// program that parses one text should not pay for all of them.
std::vector<Regex> deferredAll(const std::vector<std::string>& sources) {
    std::vector<Regex> patterns;
    patterns.reserve(sources.size());
    for (const auto& source : sources) {
        patterns.push_back(Regex::deferred(source, RegexOptions{.bounded = true}));
    }
    return patterns;
}

std::string serviceName(const std::string& written) {
    icu::UnicodeString name = lowerCased(fromUtf8(written));
    int32_t start = 0;
    int32_t end = name.length();
    while (start < end && u_isUWhiteSpace(name.char32At(start))) {
        start = name.moveIndex32(start, 1);
    }
    while (end > start && u_isUWhiteSpace(name.char32At(name.moveIndex32(end, -1)))) {
        end = name.moveIndex32(end, -1);
    }
    return toUtf8(icu::UnicodeString(name, start, end - start));
}

}  // namespace

std::optional<LanguageFile> decodeLanguageFile(std::string_view json) {
    const auto document = nlohmann::json::parse(json.begin(), json.end(), nullptr, false);
    if (document.is_discarded() || !document.is_object()) {
        return std::nullopt;
    }
    auto keywords = stringArray(document, "keywords");
    auto patterns = stringArray(document, "patterns");
    auto exclusions = optionalStringArray(document, "exclusions");
    auto services = optionalStringArray(document, "services");
    if (!keywords || !patterns || !exclusions || !services) {
        return std::nullopt;
    }
    LanguageFile file;
    file.keywords.insert(keywords->begin(), keywords->end());
    file.patterns = deferredAll(*patterns);
    file.exclusions = deferredAll(*exclusions);
    for (const auto& written : *services) {
        auto name = serviceName(written);
        if (!name.empty() &&
            std::find(file.services.begin(), file.services.end(), name) == file.services.end()) {
            file.services.push_back(std::move(name));
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
