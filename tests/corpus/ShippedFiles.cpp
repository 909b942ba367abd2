#include "ShippedFiles.h"

#include <algorithm>
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
    std::vector<std::string> names{"en", "fr", "zh", "es", "de", "pt"};
    std::vector<std::string> further;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const auto stem = entry.path().stem().string();
        if (entry.path().extension() == ".json" && stem != "custom-patterns" &&
            std::find(names.begin(), names.end(), stem) == names.end()) {
            further.push_back(stem);
        }
    }
    std::sort(further.begin(), further.end());
    names.insert(names.end(), further.begin(), further.end());
    for (const auto& name : names) {
        std::string problem;
        const auto json = readJson(folder / (name + ".json"), problem);
        Language language{name, {}, {}, {}, {}};
        // "exclusions" and "services" may be left out, but when there they are string arrays.
        const auto optional = [&](const char* key, std::vector<std::string>& out) {
            return !json->contains(key) || stringArray(*json, key, out);
        };
        if (json && (!stringArray(*json, "keywords", language.keywords) ||
                     !stringArray(*json, "patterns", language.patterns) ||
                     !optional("exclusions", language.exclusions) ||
                     !optional("services", language.services))) {
            problem = name + ".json: a member is not a string array";
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
