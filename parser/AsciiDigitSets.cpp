#include "parser/AsciiDigitSets.h"

#include <cctype>

namespace nabbit {

namespace {

// Whether any inline flag group turns free-spacing on ('(?x)', '(?ix:'): comments there may
// hold brackets that are no sets.
bool mayBeFreeSpacing(std::string_view pattern) {
    for (std::size_t at = pattern.find("(?"); at != std::string_view::npos;
         at = pattern.find("(?", at + 2)) {
        for (std::size_t i = at + 2; i < pattern.size(); ++i) {
            const char c = pattern[i];
            if (c == 'x') {
                return true;
            }
            if (c == '-') {
                break;  // Flags after '-' are turned off.
            }
            if (std::isalpha(static_cast<unsigned char>(c)) == 0) {
                break;
            }
        }
    }
    return false;
}

// A character that stands for itself inside a set, so that it can end a range ('a' of 'a-z').
// ICU reads '&' (intersection), '-' and the brackets otherwise, and takes the start of a range
// after '&' from whatever literal came before, even in an earlier set.
bool isPlainInSet(char c) {
    return c != '\\' && c != '[' && c != ']' && c != '&' && c != '-' && c != '^';
}

}  // namespace

std::optional<std::string> withAsciiDigitSets(std::string_view pattern) {
    // Comment groups may hold brackets too.
    if (pattern.find("\\d") == std::string_view::npos ||
        pattern.find("(?#") != std::string_view::npos || mayBeFreeSpacing(pattern)) {
        return std::nullopt;
    }
    std::string out;
    out.reserve(pattern.size() + 8);
    bool inSet = false;
    bool changed = false;
    // Whether the last thing copied inside the set was a plain character (isPlainInSet).
    bool afterPlain = false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '\\') {
            if (i + 1 >= pattern.size()) {
                return std::nullopt;
            }
            const char escaped = pattern[i + 1];
            // Quoting, a control character ('\c\' takes the backslash after it) and a
            // one-letter property ('\pL') are not followed.
            const bool braced = i + 2 < pattern.size() && pattern[i + 2] == '{';
            if (escaped == 'Q' || escaped == 'c' ||
                ((escaped == 'p' || escaped == 'P') && !braced)) {
                return std::nullopt;
            }
            ++i;
            afterPlain = false;
            if (inSet && escaped == 'd') {
                // Escaped, so that no escape before it ('\0', '\x', '\u') takes the digits as
                // its own.
                out += "\\x{30}-\\x{39}";
                changed = true;
                continue;
            }
            out += c;
            out += escaped;
            // \p{..}, \N{..}, \x{..}: copied whole, so that no brace or bracket in them counts.
            if (i + 1 < pattern.size() && pattern[i + 1] == '{') {
                const std::size_t close = pattern.find('}', i + 1);
                if (close == std::string_view::npos) {
                    return std::nullopt;
                }
                out.append(pattern.substr(i + 1, close - i));
                i = close;
            }
            continue;
        }
        if (c == '[') {
            if (inSet) {
                return std::nullopt;
            }
            inSet = true;
            out += c;
            if (i + 1 < pattern.size() && pattern[i + 1] == '^') {
                out += '^';
                ++i;
            }
            // A ']' first in a set, or a POSIX class, is read some other way: left alone.
            if (i + 1 < pattern.size() && (pattern[i + 1] == ']' || pattern[i + 1] == ':')) {
                return std::nullopt;
            }
            afterPlain = false;
            continue;
        }
        if (inSet) {
            if (c == ']') {
                inSet = false;
            } else if (c == '&' && i + 1 < pattern.size() && pattern[i + 1] == '&') {
                return std::nullopt;
            } else if (c == '-' &&
                       (!afterPlain || i + 1 >= pattern.size() || !isPlainInSet(pattern[i + 1]))) {
                // Only ranges between plain characters ('a-z') are followed; ICU reads a '-'
                // anywhere else by rules of its own, some of which the rewrite would change.
                return std::nullopt;
            }
            afterPlain = c != '-' && isPlainInSet(c);
        }
        out += c;
    }
    if (inSet || !changed) {
        return std::nullopt;
    }
    return out;
}

}  // namespace nabbit
