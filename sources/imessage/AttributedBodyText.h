#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace nabbit {

// The plain text of a message's rich body (the `attributedBody` column), tried as a keyed
// archive of an attributed string, as a legacy keyed archive, as a property list, and finally
// by reading the string stored after the "NSString" class name. Each attempt is written to the
// debug log (category PARSING). Nothing when the blob is absent or no method yields text.
// Never fails on malformed input.
std::optional<std::string> extractTextFromAttributedBody(
    const std::optional<std::vector<std::uint8_t>>& data);

// A property list whose root is a string, or a dictionary with a string under "NSString"
// (else "string"): that string, possibly empty. Nothing otherwise.
std::optional<std::string> decodePropertyListText(std::span<const std::uint8_t> data);

}  // namespace nabbit
