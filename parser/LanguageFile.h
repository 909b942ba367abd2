#pragma once

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "parser/Regex.h"

namespace nabbit {

// What one language file contributes: its keywords as written, and its patterns, compiled
// bounded, in file order (those that do not compile are left out).
struct LanguageFile {
    std::set<std::string> keywords;
    std::vector<Regex> patterns;
};

// Decodes {"keywords": [string...], "patterns": [string...], ...}. Absent when the text is
// not JSON, a member is missing or of the wrong type: the file then counts for nothing.
std::optional<LanguageFile> decodeLanguageFile(std::string_view json);

// Absent when the file cannot be read or decoded.
std::optional<LanguageFile> loadLanguageFile(const std::filesystem::path& location);

}  // namespace nabbit
