#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include <unicode/unistr.h>

namespace nabbit {

// Number of user-perceived characters (extended grapheme clusters) of a UTF-8 text; invalid
// sequences count as U+FFFD. A flag emoji or a letter with combining accents counts as one.
std::size_t graphemeCount(std::string_view utf8);
std::size_t graphemeCount(const icu::UnicodeString& text);

// Whether a UTF-16 offset of the text falls between two grapheme clusters (the ends of the
// text included). A capture range that starts or ends inside a cluster does not map back onto
// the text as a whole number of characters.
bool isGraphemeBoundary(const icu::UnicodeString& text, int32_t offset);

}  // namespace nabbit
