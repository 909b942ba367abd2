#include "parser/CustomPatternsFile.h"

#include <string>

#include <nlohmann/json.hpp>

namespace nabbit {

namespace {

constexpr std::string_view kFileName = "custom-patterns.json";

const std::string* stringMember(const nlohmann::json& object, const char* key) {
    const auto member = object.find(key);
    if (member == object.end() || !member->is_string()) {
        return nullptr;
    }
    return &member->get_ref<const std::string&>();
}

}  // namespace

std::optional<std::vector<CustomPattern>> decodeCustomPatternsFile(std::string_view json) {
    const auto document = nlohmann::json::parse(json.begin(), json.end(), nullptr, false);
    if (document.is_discarded() || !document.is_object()) {
        return std::nullopt;
    }
    const auto entries = document.find("customPatterns");
    if (entries == document.end() || !entries->is_array()) {
        return std::nullopt;
    }
    // The whole file is checked before anything is compiled: one malformed entry spoils it.
    for (const auto& entry : *entries) {
        if (!entry.is_object() || stringMember(entry, "service") == nullptr ||
            stringMember(entry, "pattern") == nullptr) {
            return std::nullopt;
        }
    }
    std::vector<CustomPattern> patterns;
    for (const auto& entry : *entries) {
        auto regex = Regex::compile(*stringMember(entry, "pattern"), RegexOptions{.bounded = true});
        if (regex) {
            patterns.push_back(CustomPattern{*stringMember(entry, "service"), *std::move(regex)});
        }
    }
    return patterns;
}

std::optional<std::vector<CustomPattern>> loadCustomPatternsFile(
    const std::filesystem::path& location) {
    const auto contents = ResourceLocator::readFile(location);
    if (!contents) {
        return std::nullopt;
    }
    return decodeCustomPatternsFile(*contents);
}

std::vector<CustomPattern> loadCustomPatterns(const ResourceLocator& locator) {
    const auto location = locator.find(kFileName);
    if (!location) {
        return {};
    }
    return loadCustomPatternsFile(*location).value_or(std::vector<CustomPattern>{});
}

}  // namespace nabbit
