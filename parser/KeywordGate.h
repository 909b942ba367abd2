#pragma once

#include <array>
#include <bitset>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include <unicode/unistr.h>

namespace nabbit {

// Tells whether any keyword occurs as a substring of a (lower-cased) text. Keywords are
// bucketed by their first UTF-16 unit, and a bitmap of the ASCII pairs that start a keyword
// lets most positions of a text be passed over with one bit test: with a few hundred
// keywords this keeps keyword-less texts cheap.
class KeywordGate {
  public:
    explicit KeywordGate(const std::set<std::string>& keywords);

    bool matches(const icu::UnicodeString& text) const;

  private:
    const std::vector<std::u16string>* bucket(char16_t first) const;

    static constexpr std::size_t kAscii = 128;
    std::array<std::vector<std::u16string>, kAscii> ascii_;
    std::unordered_map<char16_t, std::vector<std::u16string>> other_;
    // Bit a*128+b: some keyword starts with the ASCII units a, b (or is the single unit a).
    std::bitset<kAscii * kAscii> asciiStarts_;
    // An empty keyword is a substring of every text.
    bool matchesEverything_ = false;
};

}  // namespace nabbit
