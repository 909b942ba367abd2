#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace nabbit::simulate {

// A rich message body as the Messages database stores it on recent releases: a typedstream
// archive of an NSMutableAttributedString holding `text` with one message-part attribute
// over all of it.
std::vector<std::uint8_t> encodeAttributedBody(std::string_view text);

}  // namespace nabbit::simulate
