#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <unicode/brkiter.h>
#include <unicode/unistr.h>

namespace nabbit {

// A text seen as user-perceived characters (extended grapheme clusters), for the places that
// count, skip and cut characters the way a person would: lengths and previews in log entries,
// and the marker-relative cuts of the rich-body scan. Positions are grapheme indices.
class GraphemeText {
  public:
    explicit GraphemeText(icu::UnicodeString text);
    static GraphemeText fromUtf8(std::string_view utf8);

    std::size_t length() const { return boundaries_.size() - 1; }
    const icu::UnicodeString& utf16() const { return text_; }

    // Where `needle` first occurs at or after grapheme `from`: the grapheme holding its first
    // code unit, and the first grapheme that starts at or after its end. Nothing if absent.
    struct Range {
        std::size_t begin;
        std::size_t end;
    };
    std::optional<Range> find(const icu::UnicodeString& needle, std::size_t from = 0) const;

    // Graphemes [begin, end) as UTF-8; indices are clamped to the text.
    std::string slice(std::size_t begin, std::size_t end) const;
    std::string prefix(std::size_t count) const { return slice(0, count); }

  private:
    icu::UnicodeString text_;
    std::basic_string<int32_t> boundaries_;  // UTF-16 offsets of every grapheme start, then the end
};

}  // namespace nabbit
