#pragma once

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "parser/CustomPattern.h"
#include "parser/ResourceLocator.h"

namespace nabbit {

// Decodes {"customPatterns": [{"service": string, "pattern": string}...]}. Absent when the
// text is not JSON or any member is missing or of the wrong type. Entries whose pattern does
// not compile are left out; the others keep their order.
std::optional<std::vector<CustomPattern>> decodeCustomPatternsFile(std::string_view json);

// Absent when the file cannot be read or decoded.
std::optional<std::vector<CustomPattern>> loadCustomPatternsFile(
    const std::filesystem::path& location);

// The custom patterns of "custom-patterns.json" as the locator finds it; empty when the file
// is missing or broken.
std::vector<CustomPattern> loadCustomPatterns(const ResourceLocator& locator);

}  // namespace nabbit
