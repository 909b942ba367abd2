#pragma once

#include <array>

#include "parser/Regex.h"

namespace nabbit {

// The parser's built-in patterns, each compiled once per process on its first use and shared
// by every parser on every thread. They are constants known to compile (the parser tests run
// every one of them).
struct FixedPatterns {
    // Phone number, dollar amount, clock time, ordinal: a candidate inside one of their
    // matches is no code.
    std::array<Regex, 4> exclusionPatterns;
    // For each of them, whether a text may hold a match at all (QuickRejects): most texts
    // hold none, and the test costs far less than a search.
    std::array<bool (*)(const icu::UnicodeString&), 4> exclusionMayMatch;
    Regex linkPattern;
    Regex domainPathPattern;

    Regex googleStyle;
    Regex digitRun;
    Regex splitCode;
    Regex mixedToken;
    Regex lenticularBrackets;
};

const FixedPatterns& fixedPatterns();

// Compiles one of the program's own patterns. They are constants known to compile, so a
// failure is a broken build, not bad input: the process stops.
Regex compileFixed(const char* pattern, bool caseInsensitive = false);

}  // namespace nabbit
