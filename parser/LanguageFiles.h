#pragma once

#include <array>
#include <string_view>

#include "parser/LanguageFile.h"
#include "parser/ResourceLocator.h"

namespace nabbit {

// The language files in merge order: their keywords are pooled and their patterns appended
// in this order, so English patterns are tried first.
const std::array<std::string_view, 6>& languageFileNames();

// Every language file the locator finds, merged in languageFileNames() order; missing and
// broken files are skipped.
LanguageFile loadLanguageFiles(const ResourceLocator& locator);

}  // namespace nabbit
