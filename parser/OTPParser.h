#pragma once

#include <optional>
#include <string_view>

#include "parser/ParsedOTP.h"

namespace nabbit {

// The parser as the message sources see it: one message text (UTF-8; invalid sequences are
// read as U+FFFD) in, the code it carries out, or nothing. Implementations are immutable
// after construction, so parse may be called from any thread.
class OTPParser {
  public:
    virtual ~OTPParser() = default;

    virtual std::optional<ParsedOTP> parse(std::string_view utf8Text) const = 0;

  protected:
    OTPParser() = default;
    OTPParser(const OTPParser&) = default;
    OTPParser& operator=(const OTPParser&) = default;
    OTPParser(OTPParser&&) = default;
    OTPParser& operator=(OTPParser&&) = default;
};

}  // namespace nabbit
