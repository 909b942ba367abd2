#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "parser/LanguageFile.h"
#include "parser/ResourceLocator.h"

namespace nabbit {

// The first language files in merge order: their keywords are pooled and their patterns
// appended in this order, so English patterns are tried first.
const std::array<std::string_view, 6>& languageFileNames();

// Every language file in merge order: the six of languageFileNames(), then the other .json
// files the locator finds (shipped or per-user), in byte order of their names, except
// custom-patterns.json.
std::vector<std::string> allLanguageFileNames(const ResourceLocator& locator);

// The index of the shipped files' decoded contents (LanguageFileIndex), in the resources
// folder beside OTPKeywords.
inline constexpr std::string_view kLanguageFileIndexName = "OTPKeywords.index";

// Every language file the locator finds, merged in allLanguageFileNames() order: keywords
// pooled, patterns and exclusions appended, service names appended once each. Missing and
// broken files are skipped. A file whose exact contents the resources folder's index holds is
// taken from there.
LanguageFile loadLanguageFiles(const ResourceLocator& locator);

}  // namespace nabbit
