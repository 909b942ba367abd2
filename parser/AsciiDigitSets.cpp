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
    // Whether the last thing copied inside the set was an unescaped '-'.
    bool afterDash = false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '\\') {
            if (i + 1 >= pattern.size()) {
                return std::nullopt;
            }
            const char escaped = pattern[i + 1];
            if (escaped == 'Q') {
                return std::nullopt;
            }
            const bool beforeDash = i + 2 < pattern.size() && pattern[i + 2] == '-';
            if (inSet && escaped == 'd' && !afterDash && !beforeDash) {
                out += "0-9";
                changed = true;
                ++i;
                afterDash = false;
                continue;
            }
            out += c;
            out += escaped;
            ++i;
            // \p{..}, \N{..}, \x{..}: copied whole, so that no brace or bracket in them counts.
            if (i + 1 < pattern.size() && pattern[i + 1] == '{') {
                const std::size_t close = pattern.find('}', i + 1);
                if (close == std::string_view::npos) {
                    return std::nullopt;
                }
                out.append(pattern.substr(i + 1, close - i));
                i = close;
            }
            afterDash = false;
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
            afterDash = false;
            continue;
        }
        if (inSet) {
            if (c == ']') {
                inSet = false;
            } else if ((c == '&' || c == '-') && i + 1 < pattern.size() && pattern[i + 1] == c) {
                return std::nullopt;
            }
        }
        out += c;
        afterDash = inSet && c == '-';
    }
    if (inSet || !changed) {
        return std::nullopt;
    }
    return out;
}

}  // namespace nabbit
