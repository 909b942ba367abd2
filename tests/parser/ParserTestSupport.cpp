#include "ParserTestSupport.h"

#include <gtest/gtest.h>

namespace nabbit::test {

std::set<std::string> standardKeywords() {
    return {"code", "verification", "otp"};
}

SimpleOTPParser makeParser(std::set<std::string> keywords,
                           const std::vector<std::string>& languagePatterns,
                           const std::vector<std::pair<std::string, std::string>>& custom) {
    std::vector<Regex> patterns;
    for (const auto& source : languagePatterns) {
        auto regex = Regex::compile(source, RegexOptions{.bounded = true});
        EXPECT_TRUE(regex.has_value()) << source;
        if (regex) {
            patterns.push_back(*regex);
        }
    }
    std::vector<CustomPattern> customPatterns;
    for (const auto& [service, source] : custom) {
        auto regex = Regex::compile(source, RegexOptions{.bounded = true});
        EXPECT_TRUE(regex.has_value()) << source;
        if (regex) {
            customPatterns.push_back(CustomPattern{service, *regex});
        }
    }
    return SimpleOTPParser(std::move(keywords), std::move(patterns), std::move(customPatterns));
}

std::optional<ParsedOTP> result(std::string code, std::optional<std::string> service) {
    return ParsedOTP{std::move(service), std::move(code)};
}

}  // namespace nabbit::test
