#include "sources/imessage/TypedStreamString.h"

#include <unicode/unistr.h>

namespace nabbit {

namespace {

constexpr std::uint8_t kNewObject = 0x84;  // also the tag before a type signature
constexpr std::uint8_t kNil = 0x85;
constexpr std::uint8_t kInt16 = 0x81;
constexpr std::uint8_t kInt32 = 0x82;
constexpr std::uint8_t kFirstReference = 0x92;  // references to earlier objects start here

}  // namespace

std::optional<TypedStreamString> readTypedStreamString(std::span<const std::uint8_t> data,
                                                       std::size_t afterMarker) {
    std::size_t at = afterMarker;
    auto remaining = [&] { return at <= data.size() ? data.size() - at : 0; };

    // The class version, then the superclass: in a message body a reference to a class already
    // written (a byte from 0x92 on); in an archive whose root is the string itself, the chain of
    // new classes up to nil. Then the string's type, a counted byte string (84 01 2B).
    if (remaining() < 1) {
        return std::nullopt;
    }
    ++at;
    for (;;) {
        if (remaining() < 1) {
            return std::nullopt;
        }
        const std::uint8_t tag = data[at];
        if (tag >= kFirstReference) {
            ++at;
            break;
        }
        if (tag == kNil) {
            ++at;
            break;
        }
        if (tag != kNewObject || remaining() < 3) {
            return std::nullopt;
        }
        // A new class: its name (a new shared string, or a reference to one), then its version.
        at += 1;
        if (data[at] == kNewObject) {
            const std::uint8_t nameLength = data[at + 1];
            if (nameLength >= 0x80 || remaining() < 2u + nameLength + 1u) {
                return std::nullopt;
            }
            at += 2 + nameLength;
        } else if (data[at] >= kFirstReference) {
            at += 1;
        } else {
            return std::nullopt;
        }
        at += 1;  // the class version
    }
    if (remaining() < 4 || data[at] != kNewObject || data[at + 1] != 0x01 || data[at + 2] != '+') {
        return std::nullopt;
    }
    at += 3;

    std::uint64_t length = 0;
    const std::uint8_t lead = data[at++];
    if (lead < 0x80) {
        length = lead;
    } else if (lead == kInt16 && remaining() >= 2) {
        length = data[at] | (std::uint64_t{data[at + 1]} << 8);
        at += 2;
    } else if (lead == kInt32 && remaining() >= 4) {
        length = data[at] | (std::uint64_t{data[at + 1]} << 8) |
                 (std::uint64_t{data[at + 2]} << 16) | (std::uint64_t{data[at + 3]} << 24);
        at += 4;
    } else {
        return std::nullopt;
    }
    if (length > remaining() || length > 0x7FFFFFFF) {
        return std::nullopt;
    }

    const auto* bytes = reinterpret_cast<const char*>(data.data() + at);
    std::string text;
    icu::UnicodeString::fromUTF8(icu::StringPiece(bytes, static_cast<int32_t>(length)))
        .toUTF8String(text);
    return TypedStreamString{std::move(text), at};
}

}  // namespace nabbit
