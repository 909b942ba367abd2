#pragma once

#include <optional>
#include <string>

namespace nabbit {

// What the parser found in one message: the code exactly as it is copied, and the sending
// service in lower case when one was recognised.
struct ParsedOTP {
    std::optional<std::string> service;
    std::string code;

    friend bool operator==(const ParsedOTP&, const ParsedOTP&) = default;
};

}  // namespace nabbit
