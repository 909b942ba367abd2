#pragma once

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "parser/Regex.h"

namespace nabbit {

// What one language file contributes: its keywords as written; its patterns and exclusions,
// bounded and compiled on first use, in file order (one that does not compile matches
// nothing); and the service names it lists, lower-cased and trimmed, in file order.
struct LanguageFile {
    std::set<std::string> keywords;
    std::vector<Regex> patterns;
    // A candidate code inside a match of one of these is no code (a booking reference, a
    // customer number, a date).
    std::vector<Regex> exclusions;
    // Names of services, looked for as whole words when no other way names the sender.
    std::vector<std::string> services;
    // For files merged into one: where each file's patterns end in `patterns`.
    std::vector<std::size_t> patternFileEnds;
};

// How the patterns and exclusions of language files are made: bounded (they come from files)
// and run on texts with ASCII digits only (the parser converts every other script's digits).
inline constexpr RegexOptions kLanguagePatternOptions{.bounded = true, .asciiDigits = true};

// Decodes {"keywords": [string...], "patterns": [string...], "exclusions": [string...],
// "services": [string...], ...}; the last two may be left out. Absent when the text is not
// JSON, a required member is missing, or a member is of the wrong type: the file then counts
// for nothing.
std::optional<LanguageFile> decodeLanguageFile(std::string_view json);

// Absent when the file cannot be read or decoded.
std::optional<LanguageFile> loadLanguageFile(const std::filesystem::path& location);

}  // namespace nabbit
