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

// Every language file the locator finds, merged in allLanguageFileNames() order: keywords
// pooled, patterns and exclusions appended, service names appended once each. Missing and
// broken files are skipped.
LanguageFile loadLanguageFiles(const ResourceLocator& locator);

}  // namespace nabbit
