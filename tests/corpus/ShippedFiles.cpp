#include "ShippedFiles.h"

#include <fstream>
#include <optional>
#include <sstream>

#include <nlohmann/json.hpp>

namespace nabbit::test {

namespace {

std::optional<nlohmann::json> readJson(const std::filesystem::path& file, std::string& problem) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        problem = file.filename().string() + ": cannot be read";
        return std::nullopt;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    auto json = nlohmann::json::parse(buffer.str(), nullptr, false);
    if (json.is_discarded() || !json.is_object()) {
        problem = file.filename().string() + ": not a JSON object";
        return std::nullopt;
    }
    return json;
}

bool stringArray(const nlohmann::json& object, const char* key, std::vector<std::string>& out) {
    const auto it = object.find(key);
    if (it == object.end() || !it->is_array()) {
        return false;
    }
    for (const auto& item : *it) {
        if (!item.is_string()) {
            return false;
        }
        out.push_back(item.get<std::string>());
    }
    return true;
}

}  // namespace

ShippedFiles ShippedFiles::read(const std::filesystem::path& folder) {
    ShippedFiles files;
    for (const char* name : {"en", "fr", "zh", "es", "de", "pt"}) {
        std::string problem;
        const auto json = readJson(folder / (std::string(name) + ".json"), problem);
        Language language{name, {}, {}};
        if (json && (!stringArray(*json, "keywords", language.keywords) ||
                     !stringArray(*json, "patterns", language.patterns))) {
            problem =
                std::string(name) + ".json: \"keywords\" or \"patterns\" is not a string array";
        }
        if (!problem.empty()) {
            files.problems.push_back(problem);
            continue;
        }
        files.languages.push_back(std::move(language));
    }

    std::string problem;
    const auto json = readJson(folder / "custom-patterns.json", problem);
    if (json) {
        const auto it = json->find("customPatterns");
        if (it == json->end() || !it->is_array()) {
            problem = "custom-patterns.json: \"customPatterns\" is not an array";
        } else {
            for (const auto& entry : *it) {
                if (!entry.is_object() || !entry.contains("service") ||
                    !entry.contains("pattern") || !entry["service"].is_string() ||
                    !entry["pattern"].is_string()) {
                    problem = "custom-patterns.json: an entry lacks \"service\" or \"pattern\"";
                    break;
                }
                files.customPatterns.push_back(
                    {entry["service"].get<std::string>(), entry["pattern"].get<std::string>()});
            }
        }
    }
    if (!problem.empty()) {
        files.problems.push_back(problem);
    }
    return files;
}

}  // namespace nabbit::test
