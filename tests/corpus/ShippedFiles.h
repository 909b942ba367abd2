#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace nabbit::test {

// The shipped language files and custom-patterns.json read as plain JSON, independently of
// the parser's loader, so that a file the loader would silently skip still fails a test.
struct ShippedFiles {
    struct Language {
        std::string name;  // "en", "fr", ...
        std::vector<std::string> keywords;
        std::vector<std::string> patterns;
        std::vector<std::string> exclusions;
        std::vector<std::string> services;
    };
    struct CustomPattern {
        std::string service;
        std::string pattern;
    };

    std::vector<Language> languages;  // in merge order; a file that did not decode is absent
    std::vector<CustomPattern> customPatterns;
    std::vector<std::string> problems;  // what could not be read or decoded

    // Reads <folder>/{en,fr,zh,es,de,pt}.json, then the folder's other .json files in name
    // order, and <folder>/custom-patterns.json.
    static ShippedFiles read(const std::filesystem::path& folder);
};

}  // namespace nabbit::test
