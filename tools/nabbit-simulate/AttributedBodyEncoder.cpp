#include "tools/nabbit-simulate/AttributedBodyEncoder.h"

#include <unicode/unistr.h>

namespace nabbit::simulate {

namespace {

class Writer {
  public:
    void bytes(std::initializer_list<std::uint8_t> values) {
        out_.insert(out_.end(), values.begin(), values.end());
    }
    void raw(std::string_view text) { out_.insert(out_.end(), text.begin(), text.end()); }
    // A class name: new-class tag, its length, its bytes.
    void className(std::string_view name) {
        bytes({0x84, 0x84});
        integer(name.size());
        raw(name);
    }
    // Typedstream integers: one byte below 0x80, else a 16- or 32-bit little-endian value
    // behind its tag.
    void integer(std::uint64_t value) {
        if (value < 0x80) {
            bytes({static_cast<std::uint8_t>(value)});
        } else if (value <= 0xFFFF) {
            bytes({0x81, static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8)});
        } else {
            bytes({0x82, static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                   static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)});
        }
    }
    std::vector<std::uint8_t> take() { return std::move(out_); }

  private:
    std::vector<std::uint8_t> out_;
};

}  // namespace

std::vector<std::uint8_t> encodeAttributedBody(std::string_view text) {
    const auto utf16Length = icu::UnicodeString::fromUTF8(
                                 icu::StringPiece(text.data(), static_cast<int32_t>(text.size())))
                                 .length();
    Writer w;
    w.bytes({0x04, 0x0B});
    w.raw("streamtyped");
    w.bytes({0x81, 0xE8, 0x03, 0x84, 0x01, 0x40, 0x84});
    w.className("NSMutableAttributedString");
    w.bytes({0x00});
    w.className("NSAttributedString");
    w.bytes({0x00});
    w.className("NSObject");
    w.bytes({0x00, 0x85, 0x92, 0x84});
    w.className("NSMutableString");
    w.bytes({0x01});
    w.className("NSString");
    w.bytes({0x01, 0x95, 0x84, 0x01, '+'});
    w.integer(text.size());
    w.raw(text);
    // The attribute run: location 1, length in UTF-16 units, then its dictionary.
    w.bytes({0x86, 0x84, 0x02, 'i', 'I', 0x01});
    w.integer(static_cast<std::uint64_t>(utf16Length));
    w.bytes({0x92, 0x84});
    w.className("NSDictionary");
    w.bytes({0x00, 0x95, 0x84, 0x01, 'i', 0x01, 0x92, 0x84, 0x98, 0x98, 0x1D});
    w.raw("__kIMMessagePartAttributeName");
    w.bytes({0x86, 0x92, 0x84});
    w.className("NSNumber");
    w.bytes({0x00});
    w.className("NSValue");
    w.bytes({0x00, 0x95, 0x84, 0x01, '*', 0x84, 0x9B, 0x9B, 0x00, 0x86, 0x86, 0x86});
    return w.take();
}

}  // namespace nabbit::simulate
