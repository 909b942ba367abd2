#pragma once

#include <optional>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "parser/OTPParser.h"

namespace nabbit::test {

// A parser that remembers every text it was asked about and takes the first run of four or
// more digits as the code, so tests of the sources see exactly which texts reached it.
class RecordingParser : public OTPParser {
  public:
    std::optional<ParsedOTP> parse(std::string_view text) const override {
        seen.emplace_back(text);
        static const std::regex digits(R"(\d{4,})");
        std::match_results<std::string_view::const_iterator> match;
        if (std::regex_search(text.begin(), text.end(), match, digits)) {
            return ParsedOTP{std::nullopt, match.str()};
        }
        return std::nullopt;
    }

    mutable std::vector<std::string> seen;
};

}  // namespace nabbit::test
