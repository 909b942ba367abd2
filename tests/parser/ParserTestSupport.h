#pragma once

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "parser/SimpleOTPParser.h"

namespace nabbit::test {

// The keyword set most parser cases use.
std::set<std::string> standardKeywords();

// A parser from pattern texts, compiled as the loaders compile them (bounded). Fails the
// current test when a pattern does not compile.
SimpleOTPParser makeParser(std::set<std::string> keywords,
                           const std::vector<std::string>& languagePatterns = {},
                           const std::vector<std::pair<std::string, std::string>>& custom = {});

// The code and service of a parse, for compact expectations: {"482913", "acme"} or
// {"482913", std::nullopt}.
std::optional<ParsedOTP> result(std::string code, std::optional<std::string> service = {});

// A row of a table of texts and what the parser makes of them; `name` names the row's test.
struct ParseCase {
    const char* name;
    std::string text;
    std::optional<ParsedOTP> expected;
};

}  // namespace nabbit::test
