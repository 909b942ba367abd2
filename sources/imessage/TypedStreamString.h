#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace nabbit {

// The string that a typedstream archive stores right after the class name "NSString": the
// class version byte, the superclass (in message bodies one back-reference byte), 84 01 2B (a
// counted byte string), the length (one byte below 0x80, or 0x81 + 2 bytes, or 0x82 + 4 bytes,
// little-endian), then that many bytes of UTF-8. `afterMarker` is the offset of the first byte
// after "NSString".
// Nothing when the bytes there do not have that shape or the length runs past the end.
// The text is returned as stored (invalid UTF-8 replaced by U+FFFD), not trimmed.
struct TypedStreamString {
    std::string text;
    std::size_t offset = 0;  // of the text's first byte in the data
};
std::optional<TypedStreamString> readTypedStreamString(std::span<const std::uint8_t> data,
                                                       std::size_t afterMarker);

}  // namespace nabbit
