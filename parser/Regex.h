#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <unicode/regex.h>
#include <unicode/unistr.h>

#include "parser/RequiredText.h"

namespace nabbit {

struct RegexOptions {
    bool caseInsensitive = false;
    // Each match attempt gets a budget (see Regex::kTimeLimit); for patterns from files.
    bool bounded = false;
    // Only ever run on texts whose decimal digits are all ASCII (withAsciiDigits), so that a \d
    // inside a bracket set compiles as 0-9 (withCheapSets), at a fraction of the cost.
    bool asciiDigits = false;
};

// An ICU regular expression: immutable, cheap to copy, usable from any thread. It is compiled
// when it is made (compile) or on its first use (deferred), once for every copy of it and for
// every Regex made from the same source and options while one of them lives.
//
// Patterns that come from files are compiled bounded: each match attempt gets a fixed budget
// of matching steps and backtracking stack, so a catastrophically backtracking pattern gives
// up (and counts as not matching) instead of hanging the program.
class Regex {
  public:
    // The matching-step budget of a bounded pattern, in ICU time-limit units of about ten
    // thousand engine steps (some 20 ms here; ordinary patterns on a message need well under
    // a hundredth of it), and its backtracking stack in bytes.
    static constexpr int32_t kTimeLimit = 100;
    static constexpr int32_t kStackLimit = 4 * 1024 * 1024;

    // Absent when the pattern does not compile.
    static std::optional<Regex> compile(std::string_view pattern, RegexOptions options);
    static std::optional<Regex> compile(std::string_view pattern) { return compile(pattern, {}); }
    // Compiled on its first use, so that a program pays only for the patterns its texts
    // reach. One that does not compile then matches nothing.
    static Regex deferred(std::string_view pattern, RegexOptions options);
    // The same with the text its matches require already known (read by the same function
    // ahead of time), so that it is not worked out from the source again.
    static Regex deferred(std::string_view pattern, RegexOptions options, RequiredText known);

    // The pattern as written (UTF-8).
    const std::string& source() const;
    // Compiles a deferred pattern now; false when it does not compile.
    bool compiles() const;
    // Whether it has been compiled (successfully or not) yet.
    bool isCompiled() const;
    int32_t groupCount() const;
    bool bounded() const;
    RegexOptions options() const;
    // The text every match needs (requiredText of the source), worked out once on first use.
    const RequiredText& requiredText() const;

    class Scanner;
    // Starts a scan of the text; the text must outlive the scanner.
    Scanner scan(const icu::UnicodeString& text) const;

    // The compiled form and the source, shared by every copy.
    class State;

  private:
    explicit Regex(std::shared_ptr<State> state) : state_(std::move(state)) {}

    std::shared_ptr<State> state_;
};

// Walks the matches of one Regex in one text. It borrows the matcher that the calling thread
// keeps for the pattern (matchers are costly to create and must not be shared between
// threads), or makes a private one when that matcher is already in use on this thread.
class Regex::Scanner {
  public:
    struct Span {
        int32_t start = 0;
        int32_t end = 0;
    };

    ~Scanner();
    Scanner(const Scanner&) = delete;
    Scanner& operator=(const Scanner&) = delete;
    Scanner(Scanner&&) = delete;
    Scanner& operator=(Scanner&&) = delete;

    // Moves to the next match. False when there is none, or when the pattern ran out of its
    // budget (timedOut() then tells), after which the scan is over.
    bool next();
    bool timedOut() const { return timedOut_; }

    int32_t groupCount() const;
    // The UTF-16 range of a group of the current match; absent when it took no part.
    std::optional<Span> group(int32_t n) const;
    // The text of a group when it took part and its range maps onto whole characters
    // (grapheme clusters) of the text.
    std::optional<icu::UnicodeString> mappedGroup(int32_t n) const;
    // The text of the current match.
    icu::UnicodeString matchText() const;

    // Tries a match that starts exactly at a UTF-16 offset; its end when there is one.
    std::optional<int32_t> matchAt(int32_t start);

    // The text with every match replaced by the replacement; the text unchanged when the scan
    // fails. Call before next().
    icu::UnicodeString replaceAll(const icu::UnicodeString& replacement);

  private:
    friend class Regex;
    Scanner(const Regex& regex, const icu::UnicodeString& text);

    const icu::UnicodeString& text_;
    icu::RegexMatcher* matcher_ = nullptr;
    std::unique_ptr<icu::RegexMatcher> own_;
    bool* busy_ = nullptr;
    bool timedOut_ = false;
    bool failed_ = false;
};

}  // namespace nabbit
